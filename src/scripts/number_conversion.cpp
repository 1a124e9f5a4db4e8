#include "scripts/number_conversion.h"

#include <charconv>
#include <cmath>
#include <limits>

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

// The decimal order of a well-formed real that is not zero: the exponent of
// its first non-zero digit (2 for "123", -3 for "0.0012"), the written
// exponent added (held to +-1e9).
int64_t decimalOrder(const std::string& t) {
  size_t i = t[0] == '+' || t[0] == '-' ? 1 : 0;
  int64_t order = 0;
  int64_t zerosAfterPoint = 0;
  bool seenPoint = false, seenDigit = false;
  for (; i < t.size() && (isDigit(t[i]) || t[i] == '.'); ++i) {
    if (t[i] == '.') {
      seenPoint = true;
    } else if (!seenDigit) {
      if (t[i] != '0') {
        seenDigit = true;
        order = seenPoint ? -(zerosAfterPoint + 1) : 0;
      } else if (seenPoint) {
        ++zerosAfterPoint;
      }
    } else if (!seenPoint) {
      ++order;
    }
  }
  int64_t exponent = 0;
  if (i < t.size()) {  // 'e' or 'E', an optional sign, digits
    ++i;
    const bool negative = t[i] == '-';
    if (t[i] == '+' || t[i] == '-') ++i;
    for (; i < t.size(); ++i) exponent = std::min<int64_t>(exponent * 10 + (t[i] - '0'), 1000000000);
    if (negative) exponent = -exponent;
  }
  return order + exponent;
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
  // from_chars reads "." as the separator in every locale, but no "+".
  const char* first = t.data() + (t[0] == '+' ? 1 : 0);
  long double v = 0;
  const auto [end, error] = std::from_chars(first, t.data() + t.size(), v, std::chars_format::general);
  if (error == std::errc::result_out_of_range && decimalOrder(t) < 0) {
    // Too small for a normal long double: zero of its sign.
    return t[0] == '-' ? -0.0L : 0.0L;
  }
  if (error != std::errc() || end != t.data() + t.size() || !std::isfinite(v)) return std::nullopt;
  return v;
}

std::string conversionErrorText(const std::string& text, const std::string& source) {
  return "'" + text + "' is not a valid number in " + source + ".";
}

ConversionErrors conversionErrors;

void resetConversionErrors() { conversionErrors = ConversionErrors{}; }

void fatalConversionError(const std::string& text, const std::string& source) {
  showMessageBox("Error", conversionErrorText(text, source));
  endProgram(1);
}

namespace {

// An invalid number: fatal, or counted while a live reload collects them.
void invalidNumber(const std::string& text, const std::string& source) {
  if (!conversionErrors.collecting) fatalConversionError(text, source);
  if (conversionErrors.count++ == 0) conversionErrors.first = conversionErrorText(text, source);
}

}  // namespace

int32_t convertInteger(const std::string& text, const std::string& source) {
  auto v = parseInteger(text);
  if (!v) {
    invalidNumber(text, source);
    return 0;
  }
  return *v;
}

long double convertReal(const std::string& text, const std::string& source) {
  auto v = parseReal(text);
  if (!v) {
    invalidNumber(text, source);
    return 0;
  }
  return *v;
}

float convertFloat(const std::string& text, const std::string& source) {
  const long double v = convertReal(text, source);
  // A real beyond the float range would become infinite; it is not a usable number.
  if (std::fabs(v) > std::numeric_limits<float>::max()) {
    invalidNumber(text, source);
    return 0;
  }
  return static_cast<float>(v);
}

bool convertFlag(const std::string& text, const std::string& source) { return convertReal(text, source) != 0.0L; }

}  // namespace glorbe
