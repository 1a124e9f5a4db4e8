#include "scripts/number_conversion.h"

#include <clocale>
#include <cmath>
#include <cstdlib>
#include <limits>
#include <locale.h>

#include "platform/exit_procedures.h"
#include "platform/message_box.h"

namespace glorbe {

namespace {

bool isDigit(char c) { return c >= '0' && c <= '9'; }

// Optional sign, digits with an optional "." (at least one digit), optional
// exponent. Nothing else: no blanks, no hexadecimal, no "inf" or "nan".
bool wellFormedReal(const std::string& t) {
  size_t i = 0;
  if (i < t.size() && (t[i] == '+' || t[i] == '-')) ++i;
  size_t digits = 0;
  while (i < t.size() && isDigit(t[i])) ++i, ++digits;
  if (i < t.size() && t[i] == '.') {
    ++i;
    while (i < t.size() && isDigit(t[i])) ++i, ++digits;
  }
  if (digits == 0) return false;
  if (i < t.size() && (t[i] == 'e' || t[i] == 'E')) {
    ++i;
    if (i < t.size() && (t[i] == '+' || t[i] == '-')) ++i;
    size_t exp = 0;
    while (i < t.size() && isDigit(t[i])) ++i, ++exp;
    if (exp == 0) return false;
  }
  return i == t.size();
}

locale_t cLocale() {
  static locale_t loc = newlocale(LC_ALL_MASK, "C", static_cast<locale_t>(0));
  return loc;
}

}  // namespace

std::optional<int32_t> parseInteger(const std::string& t) {
  size_t i = 0;
  bool negative = false;
  if (i < t.size() && (t[i] == '+' || t[i] == '-')) negative = t[i++] == '-';
  if (i == t.size()) return std::nullopt;
  int64_t value = 0;
  for (; i < t.size(); ++i) {
    if (!isDigit(t[i])) return std::nullopt;
    value = value * 10 + (t[i] - '0');
    if (value > int64_t{1} << 31) return std::nullopt;
  }
  if (negative) value = -value;
  if (value < std::numeric_limits<int32_t>::min() || value > std::numeric_limits<int32_t>::max()) return std::nullopt;
  return static_cast<int32_t>(value);
}

std::optional<long double> parseReal(const std::string& t) {
  if (!wellFormedReal(t)) return std::nullopt;
  const long double v = strtold_l(t.c_str(), nullptr, cLocale());
  if (!std::isfinite(v)) return std::nullopt;
  return v;
}

std::string conversionErrorText(const std::string& text, const std::string& source) {
  return "'" + text + "' is not a valid number in " + source + ".";
}

void fatalConversionError(const std::string& text, const std::string& source) {
  showMessageBox("Error", conversionErrorText(text, source));
  endProgram(1);
}

int32_t convertInteger(const std::string& text, const std::string& source) {
  auto v = parseInteger(text);
  if (!v) fatalConversionError(text, source);
  return *v;
}

long double convertReal(const std::string& text, const std::string& source) {
  auto v = parseReal(text);
  if (!v) fatalConversionError(text, source);
  return *v;
}

float convertFloat(const std::string& text, const std::string& source) {
  const long double v = convertReal(text, source);
  // A real beyond the float range would become infinite; it is not a usable number.
  if (std::fabs(v) > std::numeric_limits<float>::max()) fatalConversionError(text, source);
  return static_cast<float>(v);
}

bool convertFlag(const std::string& text, const std::string& source) { return convertReal(text, source) != 0.0L; }

}  // namespace glorbe
