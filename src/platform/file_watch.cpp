// inotify behind the file watch: one descriptor for the tree, one watch per
// folder, read without blocking.
#include "platform/file_watch.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/inotify.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>

namespace glorbe {

namespace {

constexpr uint32_t kFileEvents = IN_CLOSE_WRITE | IN_MOVED_TO | IN_CREATE | IN_DELETE | IN_MOVED_FROM;
constexpr uint32_t kFolderEvents = kFileEvents | IN_DELETE_SELF | IN_ONLYDIR;

std::string joined(const std::string& folder, const std::string& name) {
  return folder.empty() ? name : folder + "/" + name;
}

// Watches `relative` (under the root) and the folders below it; false when
// the folder itself cannot be watched.
bool watchTree(FileWatch& watch, const std::string& relative, std::string* error) {
  const std::string path = relative.empty() ? watch.root : watch.root + "/" + relative;
  const int wd = inotify_add_watch(watch.handle, path.c_str(), kFolderEvents);
  if (wd < 0) {
    if (error != nullptr) *error = path + ": " + std::strerror(errno);
    return false;
  }
  watch.folders[wd] = relative;
  DIR* dir = opendir(path.c_str());
  if (dir == nullptr) return true;
  while (const dirent* e = readdir(dir)) {
    const std::string name = e->d_name;
    if (name == "." || name == "..") continue;
    struct stat info {};
    if (lstat((path + "/" + name).c_str(), &info) == 0 && S_ISDIR(info.st_mode)) {
      watchTree(watch, joined(relative, name), nullptr);
    }
  }
  closedir(dir);
  return true;
}

}  // namespace

bool startFileWatch(FileWatch& watch, const std::string& folder, std::string& error) {
  stopFileWatch(watch);
  watch.handle = inotify_init1(IN_NONBLOCK | IN_CLOEXEC);
  if (watch.handle < 0) {
    error = std::string("inotify: ") + std::strerror(errno);
    return false;
  }
  watch.root = folder;
  if (!watchTree(watch, "", &error)) {
    stopFileWatch(watch);
    return false;
  }
  return true;
}

std::vector<std::string> takeFileChanges(FileWatch& watch) {
  std::vector<std::string> changed;
  if (watch.handle < 0) return changed;
  alignas(inotify_event) char buffer[16384];
  for (;;) {
    const ssize_t got = read(watch.handle, buffer, sizeof buffer);
    if (got <= 0) break;  // EAGAIN: nothing more for now
    for (ssize_t at = 0; at + static_cast<ssize_t>(sizeof(inotify_event)) <= got;) {
      const auto* event = reinterpret_cast<const inotify_event*>(buffer + at);
      at += static_cast<ssize_t>(sizeof(inotify_event) + event->len);
      if (at > got) break;
      const auto folder = watch.folders.find(event->wd);
      if (event->mask & IN_IGNORED) {
        if (folder != watch.folders.end()) watch.folders.erase(folder);
        continue;
      }
      if (folder == watch.folders.end() || event->len == 0) continue;
      const std::string relative = joined(folder->second, event->name);
      if (event->mask & IN_ISDIR) {
        // A folder made or moved in: watch it, and report what it already holds
        // by watching first (files written into it later are reported then).
        if (event->mask & (IN_CREATE | IN_MOVED_TO)) watchTree(watch, relative, nullptr);
        continue;
      }
      if (std::find(changed.begin(), changed.end(), relative) == changed.end()) changed.push_back(relative);
    }
  }
  return changed;
}

void stopFileWatch(FileWatch& watch) {
  if (watch.handle >= 0) close(watch.handle);
  watch.handle = -1;
  watch.folders.clear();
}

}  // namespace glorbe
