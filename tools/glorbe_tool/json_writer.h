// A small JSON writer for the inspection commands: objects with one member
// per line, arrays either one element per line or on one line. 32-bit floats
// are written in their shortest form that reads back to the same float, and
// values that are not finite as null.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace glorbe::tools {

// The float's shortest round-trip text, or "null" when it is not finite.
std::string jsonFloat(float v);

class JsonWriter {
 public:
  // `oneLine`: the members, or elements, follow each other on one line.
  JsonWriter& beginObject(bool oneLine = false);
  JsonWriter& endObject();
  JsonWriter& beginArray(bool oneLine = false);
  JsonWriter& endArray();
  // The next value belongs to this member of the open object.
  JsonWriter& key(const std::string& name);

  JsonWriter& value(float v);
  JsonWriter& value(int64_t v);
  JsonWriter& value(int32_t v) { return value(static_cast<int64_t>(v)); }
  JsonWriter& value(uint32_t v) { return value(static_cast<int64_t>(v)); }
  JsonWriter& value(bool v);
  JsonWriter& value(const std::string& v);
  JsonWriter& value(const char* v) { return value(std::string(v)); }
  JsonWriter& null();

  // Shorthands: key and value, and arrays of floats on one line.
  template <typename T>
  JsonWriter& member(const std::string& name, const T& v) {
    return key(name).value(v);
  }
  JsonWriter& floats(const float* values, size_t count);

  // The document so far, ended with a line feed once everything is closed.
  const std::string& text() const { return out_; }

 private:
  struct Level {
    bool array;
    bool oneLine;
    bool empty;
  };
  void beforeValue();
  void newline();

  std::string out_;
  std::vector<Level> levels_;
  bool afterKey_ = false;
};

}  // namespace glorbe::tools
