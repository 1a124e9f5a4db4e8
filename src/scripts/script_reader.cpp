// Line cleaning, section recognition and key-line splitting for the scene
// scripts, and the raw line reader of the timeline file.
#include "scripts/script_reader.h"

#include "common/ascii.h"

namespace glorbe {

namespace {

std::string trimSpaces(const std::string& s) {
  const size_t first = s.find_first_not_of(' ');
  if (first == std::string::npos) return {};
  const size_t last = s.find_last_not_of(' ');
  return s.substr(first, last - first + 1);
}

void trimTrailingSpaces(std::string& s) {
  const size_t last = s.find_last_not_of(' ');
  s.erase(last == std::string::npos ? 0 : last + 1);
}

}  // namespace

std::string cleanLine(LoadedFile& file) {
  std::string line;
  readLine(file, line);
  upperCaseAscii(line);
  const size_t first = line.find_first_not_of(' ');
  line.erase(0, first == std::string::npos ? line.size() : first);
  const size_t comment = line.find("//");
  if (comment != std::string::npos) line.erase(comment);
  trimTrailingSpaces(line);
  return line;
}

std::string nextLine(LoadedFile& file, bool& isSection) {
  isSection = false;
  std::string text;
  while (file.pos < file.end && text.empty()) text = cleanLine(file);
  if (text.size() >= 3 && text.front() == '[' && text.back() == ']') {
    text = text.substr(1, text.size() - 2);
    isSection = true;
  }
  return text;
}

int splitKeyLine(const std::string& line, std::string& key, std::vector<std::string>& values) {
  values.clear();
  const size_t equals = line.find('=');
  if (equals == std::string::npos) {
    key = line;
    return 0;
  }
  key = line.substr(0, equals);
  trimTrailingSpaces(key);
  const std::string rest = line.substr(equals + 1);
  if (rest.empty()) return 0;
  size_t start = 0;
  while (values.size() < kMaxKeyValues) {
    const size_t comma = rest.find(',', start);
    values.push_back(trimSpaces(rest.substr(start, comma == std::string::npos ? std::string::npos : comma - start)));
    if (comma == std::string::npos) break;
    start = comma + 1;
  }
  return static_cast<int>(values.size());
}

std::string readRawLine(LoadedFile& file) {
  std::string line;
  while (file.pos < file.end) {
    char c = 0;
    readBytes(file, &c, 1);
    if (c == 13) {
      if (file.pos < file.end) readBytes(file, &c, 1);
      break;
    }
    if (line.size() < kMaxLineLength) line.push_back(c);
  }
  upperCaseAscii(line);
  return line;
}

}  // namespace glorbe
