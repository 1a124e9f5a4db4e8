#include "glorbe_tool/json_writer.h"

#include <charconv>
#include <cmath>

#include "glorbe_tool/content_lookup.h"

namespace glorbe::tools {

std::string jsonFloat(float v) {
  if (!std::isfinite(v)) return "null";
  char buffer[32];
  const auto [end, ec] = std::to_chars(buffer, buffer + sizeof buffer, v);
  return ec == std::errc() ? std::string(buffer, end) : "null";
}

void JsonWriter::newline() {
  out_ += '\n';
  out_.append(levels_.size() * 2, ' ');
}

void JsonWriter::beforeValue() {
  if (afterKey_) {
    afterKey_ = false;
    return;
  }
  if (levels_.empty()) return;
  Level& level = levels_.back();
  if (!level.empty) out_ += level.oneLine ? ", " : ",";
  if (!level.oneLine) newline();
  level.empty = false;
}

JsonWriter& JsonWriter::beginObject(bool oneLine) {
  beforeValue();
  out_ += '{';
  const bool inherited = !levels_.empty() && levels_.back().oneLine;
  levels_.push_back({false, oneLine || inherited, true});
  return *this;
}

JsonWriter& JsonWriter::beginArray(bool oneLine) {
  beforeValue();
  out_ += '[';
  // Inside a one-line array everything stays on that line.
  const bool inherited = !levels_.empty() && levels_.back().oneLine;
  levels_.push_back({true, oneLine || inherited, true});
  return *this;
}

JsonWriter& JsonWriter::endObject() { return endArray(); }

JsonWriter& JsonWriter::endArray() {
  const Level level = levels_.back();
  levels_.pop_back();
  if (!level.empty && !level.oneLine) newline();
  out_ += level.array ? ']' : '}';
  if (levels_.empty()) out_ += '\n';
  return *this;
}

JsonWriter& JsonWriter::key(const std::string& name) {
  beforeValue();
  out_ += jsonString(name);
  out_ += ": ";
  afterKey_ = true;
  return *this;
}

JsonWriter& JsonWriter::value(float v) {
  beforeValue();
  out_ += jsonFloat(v);
  return *this;
}

JsonWriter& JsonWriter::value(int64_t v) {
  beforeValue();
  out_ += std::to_string(v);
  return *this;
}

JsonWriter& JsonWriter::value(bool v) {
  beforeValue();
  out_ += v ? "true" : "false";
  return *this;
}

JsonWriter& JsonWriter::value(const std::string& v) {
  beforeValue();
  out_ += jsonString(v);
  return *this;
}

JsonWriter& JsonWriter::null() {
  beforeValue();
  out_ += "null";
  return *this;
}

JsonWriter& JsonWriter::floats(const float* values, size_t count) {
  beginArray(true);
  for (size_t i = 0; i < count; ++i) value(values[i]);
  return endArray();
}

}  // namespace glorbe::tools
