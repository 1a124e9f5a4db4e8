// ASCII case folding: content names and script lines compare and upper-case
// the letters a-z only, whatever the locale; other bytes stay as they are.
#pragma once

#include <string>
#include <string_view>

namespace glorbe {

inline char asciiUpper(char c) { return c >= 'a' && c <= 'z' ? static_cast<char>(c - 'a' + 'A') : c; }

inline void upperCaseAscii(std::string& s) {
  for (char& c : s) c = asciiUpper(c);
}

inline std::string asciiUpperCopy(std::string s) {
  upperCaseAscii(s);
  return s;
}

inline bool equalIgnoringAsciiCase(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (size_t i = 0; i < a.size(); ++i) {
    if (asciiUpper(a[i]) != asciiUpper(b[i])) return false;
  }
  return true;
}

}  // namespace glorbe
