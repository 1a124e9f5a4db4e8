// The helpers every layer shares: byte order, ASCII case, rounding into
// integers and bytes.
#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <string>
#include <vector>

#include "common/ascii.h"
#include "common/byte_order.h"
#include "common/numbers.h"

namespace glorbe {
namespace {

// Material alphas and move-list colours are unit values made bytes.
TEST(CommonNumbers, UnitToByteRoundsToNearestWithTiesToEvenAndStaysAByte) {
  EXPECT_EQ(unitToByte(1.0L), 255);
  EXPECT_EQ(unitToByte(0.998L), 254);  // 254.49
  EXPECT_EQ(unitToByte(0.5L), 128);    // 127.5
  EXPECT_EQ(unitToByte(0.0L), 0);
  EXPECT_EQ(unitToByte(2.0L), 255);
  EXPECT_EQ(unitToByte(-1.0L), 0);
  EXPECT_EQ(unitToByte(std::nanl("")), 0);
}

TEST(CommonNumbers, RoundingToInt32TiesToEvenAndSaturates) {
  for (const long double v : {2.5L, 3.5L, -2.5L, 1e12L, -1e12L, 2147483646.5L, -2147483648.5L}) {
    EXPECT_EQ(roundToInt32(v), roundToInt32(static_cast<double>(v))) << static_cast<double>(v);
  }
  EXPECT_EQ(roundToInt32(2.5), 2);
  EXPECT_EQ(roundToInt32(3.5), 4);
  EXPECT_EQ(roundToInt32(-2.5), -2);
  EXPECT_EQ(roundToInt32(2147483646.5), 2147483646);
  EXPECT_EQ(roundToInt32(1e12), std::numeric_limits<int32_t>::max());
  EXPECT_EQ(roundToInt32(-std::numeric_limits<double>::infinity()), std::numeric_limits<int32_t>::min());
  EXPECT_EQ(roundToInt32(std::nan("")), 0);
  EXPECT_EQ(roundToInt32(std::nanl("")), 0);
  EXPECT_EQ(roundIntoRange(4.5, 0, 10), 4);
  EXPECT_EQ(roundIntoRange(99.0, 0, 10), 10);
  EXPECT_EQ(roundIntoRange(std::nan(""), 3, 10), 3) << "NaN takes the bound nearer to 0";
  EXPECT_EQ(roundIntoRange(std::nan(""), -5, 10), 0);
}

TEST(CommonByteOrder, FieldsAreLowestByteFirstAndRoundTrip) {
  const uint8_t bytes[8] = {0x01, 0x02, 0x03, 0x84, 0x05, 0x06, 0x07, 0xF8};
  EXPECT_EQ(readLittle16(bytes), 0x0201u);
  EXPECT_EQ(readLittle32(bytes), 0x84030201u);
  EXPECT_EQ(readLittle64(bytes), 0xF807060584030201ull);
  EXPECT_EQ(readLittleEndian(bytes + 3, 1), 0x84u) << "no sign extension";
  uint8_t out[8] = {};
  writeLittle64(out, 0xF807060584030201ull);
  EXPECT_EQ(std::vector<uint8_t>(out, out + 8), std::vector<uint8_t>(bytes, bytes + 8));
  writeLittle16(out, 0xBEEF);
  EXPECT_EQ(readLittle16(out), 0xBEEF);
  std::vector<uint8_t> appended;
  std::string text;
  appendLittleEndian(appended, 0x12345678u, 4);
  appendLittleEndian(text, 0xFFFF80ull, 3);
  EXPECT_EQ(appended, (std::vector<uint8_t>{0x78, 0x56, 0x34, 0x12}));
  EXPECT_EQ(text, std::string("\x80\xFF\xFF"));
}

TEST(CommonAscii, OnlyLettersAToZChangeCase) {
  EXPECT_EQ(asciiUpperCopy("scripts\\greetz.ini \xe9z{}"), "SCRIPTS\\GREETZ.INI \xe9Z{}");
  EXPECT_TRUE(equalIgnoringAsciiCase("Velk.DAT", "velk.dat"));
  EXPECT_FALSE(equalIgnoringAsciiCase("velk.dat", "velk.da"));
  EXPECT_FALSE(equalIgnoringAsciiCase("\xe9", "\xc9")) << "bytes beyond ASCII are compared as they are";
  EXPECT_FALSE(equalIgnoringAsciiCase("[", "{"));
}

}  // namespace
}  // namespace glorbe
