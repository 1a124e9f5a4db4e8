// The script line reader shared by every scene-script section: cleaned
// upper-case lines, section headers in square brackets, and key lines
// "KEY = V1, V2, ..." split into a key and its values. Also the raw line
// reader for the text lines inside the timeline file.
#pragma once

#include <string>
#include <vector>

#include "archive/load_buffer.h"

namespace glorbe {

// The parsers' value array has this many slots.
inline constexpr size_t kMaxKeyValues = 22;

// One line with readLine, upper-cased (a-z only), leading spaces removed,
// a "//" comment cut off and trailing spaces removed. Only the space
// character counts as blank.
std::string cleanLine(LoadedFile& file);

// The next non-empty cleaned line. For "[NAME]" (at least three characters)
// the text is NAME and isSection is true. Empty text with isSection false
// means the file has ended.
std::string nextLine(LoadedFile& file, bool& isSection);

// Splits "KEY = V1, V2" at the first "=" and then at every ",", trimming
// spaces around each piece; gives the number of values. A line without "="
// is a key with no values. Only the first 22 values are kept: a longer line
// gives 22 and the values after the 22nd are dropped.
int splitKeyLine(const std::string& line, std::string& key, std::vector<std::string>& values);

// The bytes up to a carriage return, upper-cased, blanks and comments kept;
// the byte after the carriage return (the line feed) is skipped. Stops at the
// end of the file. Lines are cut to 255 characters (the rest is consumed).
std::string readRawLine(LoadedFile& file);

}  // namespace glorbe
