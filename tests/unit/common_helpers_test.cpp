// The helpers every layer shares: rounding into integers and bytes.
#include <gtest/gtest.h>

#include <cmath>
#include <limits>

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

}  // namespace
}  // namespace glorbe
