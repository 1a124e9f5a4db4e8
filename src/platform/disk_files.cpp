// Case-insensitive path resolution with POSIX directory reads.
#include "platform/disk_files.h"

#include <dirent.h>
#include <sys/stat.h>

#include <vector>

#include "common/ascii.h"

namespace glorbe {

namespace {

// The entry of dir that equals component ignoring case: the exact spelling
// when present, else the first in byte order, so the result is stable.
std::optional<std::string> matchComponent(const std::string& dir, const std::string& component) {
  DIR* d = opendir(dir.empty() ? "." : dir.c_str());
  if (d == nullptr) return std::nullopt;
  std::optional<std::string> best;
  while (dirent* e = readdir(d)) {
    if (!equalIgnoringAsciiCase(component, e->d_name)) continue;
    if (component == e->d_name) {
      best = component;
      break;
    }
    if (!best || *best > e->d_name) best = e->d_name;
  }
  closedir(d);
  return best;
}

bool isRegularFile(const std::string& path) {
  struct stat st {};
  return stat(path.c_str(), &st) == 0 && S_ISREG(st.st_mode);
}

}  // namespace

std::optional<std::string> findDiskFile(const std::string& name) {
  if (name.empty()) return std::nullopt;
  std::vector<std::string> parts;
  std::string part;
  for (char c : name) {
    if (c == '\\' || c == '/') {
      if (!part.empty()) parts.push_back(part);
      part.clear();
    } else {
      part += c;
    }
  }
  if (!part.empty()) parts.push_back(part);
  if (parts.empty()) return std::nullopt;

  std::string path = (name[0] == '\\' || name[0] == '/') ? "/" : "";
  // Fast path: the name as written.
  std::string direct = path;
  for (size_t i = 0; i < parts.size(); ++i) direct += (i ? "/" : "") + parts[i];
  if (isRegularFile(direct)) return direct;

  for (size_t i = 0; i < parts.size(); ++i) {
    const std::string dir = path.empty() ? "." : path;
    auto match = matchComponent(dir, parts[i]);
    if (!match) return std::nullopt;
    if (!path.empty() && path.back() != '/') path += '/';
    path += *match;
  }
  if (!isRegularFile(path)) return std::nullopt;
  return path;
}

}  // namespace glorbe
