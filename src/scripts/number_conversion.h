// Number conversion of script values: signed decimal integers, reals with "."
// as the decimal separator whatever the locale, and flags (reals, nonzero is
// true). A value that is not a number is fatal: a message box names the value
// and the file it came from, then the program ends with exit code 1.
#pragma once

#include <cstdint>
#include <optional>
#include <string>

namespace glorbe {

// Non-fatal forms: nothing when the text is not a valid number.
std::optional<int32_t> parseInteger(const std::string& text);
std::optional<long double> parseReal(const std::string& text);

// Fatal forms; `source` names the file (or "command line") in the message.
int32_t convertInteger(const std::string& text, const std::string& source);
long double convertReal(const std::string& text, const std::string& source);
float convertFloat(const std::string& text, const std::string& source);
bool convertFlag(const std::string& text, const std::string& source);

// The message of the fatal conversion error.
std::string conversionErrorText(const std::string& text, const std::string& source);

[[noreturn]] void fatalConversionError(const std::string& text, const std::string& source);

// While a live reload reads new content, an invalid number must not end the
// program: the conversions then count it, keep the first message, give 0
// and go on, and the reload is refused at its end.
struct ConversionErrors {
  bool collecting = false;
  int32_t count = 0;
  std::string first;  // the message of the first invalid number
};

extern ConversionErrors conversionErrors;

// Not collecting, nothing counted (start of the program, and tests).
void resetConversionErrors();

}  // namespace glorbe
