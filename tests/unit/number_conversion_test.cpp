#include <gtest/gtest.h>

#include <clocale>
#include <cmath>

#include "platform/message_box.h"
#include "scripts/number_conversion.h"

namespace glorbe {
namespace {

TEST(NumberConversion, Integers) {
  EXPECT_EQ(parseInteger("0"), 0);
  EXPECT_EQ(parseInteger("-17"), -17);
  EXPECT_EQ(parseInteger("+5"), 5);
  EXPECT_EQ(parseInteger("2147483647"), 2147483647);
  EXPECT_EQ(parseInteger("-2147483648"), -2147483647 - 1);
  for (const char* bad : {"", "-", "2147483648", "1.0", "1e3", " 1", "0x10", "99999999999999999999"}) {
    EXPECT_FALSE(parseInteger(bad)) << bad;
  }
}

TEST(NumberConversion, RealsIgnoreTheLocale) {
  const char* had = std::setlocale(LC_NUMERIC, nullptr);
  const std::string saved = had ? had : "C";
  std::setlocale(LC_NUMERIC, "de_DE.UTF-8");  // may not exist; the result must not depend on it
  EXPECT_EQ(parseReal("0.25"), 0.25L);
  EXPECT_EQ(parseReal("-1.5e2"), -150.0L);
  EXPECT_EQ(parseReal("3."), 3.0L);
  EXPECT_EQ(parseReal(".5"), 0.5L);
  EXPECT_EQ(parseReal("+7"), 7.0L);
  std::setlocale(LC_NUMERIC, saved.c_str());
  for (const char* bad : {"", ".", "0,25", "1e", "abc", "inf", "nan", "0x1p3", " 1", "1 ", "1e99999"}) {
    EXPECT_FALSE(parseReal(bad)) << bad;
  }
}

TEST(NumberConversion, RealsBelowTheRangeAreZeroOfTheirSign) {
  EXPECT_EQ(parseReal("1e-4000"), 1e-4000L) << "still in range";
  const auto tiny = parseReal("0.001e-4999");
  ASSERT_TRUE(tiny);
  EXPECT_EQ(*tiny, 0.0L);
  EXPECT_FALSE(std::signbit(*tiny));
  const auto negative = parseReal("-1e-99999999999999999999");
  ASSERT_TRUE(negative);
  EXPECT_EQ(*negative, 0.0L);
  EXPECT_TRUE(std::signbit(*negative));
  EXPECT_FALSE(parseReal("1000e4930")) << "too large";
}

TEST(NumberConversion, Flags) {
  EXPECT_FALSE(convertFlag("0", "t.ini"));
  EXPECT_FALSE(convertFlag("-0.0", "t.ini"));
  EXPECT_TRUE(convertFlag("0.001", "t.ini"));
  EXPECT_TRUE(convertFlag("-2", "t.ini"));
}

TEST(NumberConversionDeathTest, BadValueEndsTheProgramNamingValueAndFile) {
  setMessageBoxUnattended(true);
  EXPECT_EXIT(convertInteger("12x", "scripts\\wembo.ini"), ::testing::ExitedWithCode(1),
              "'12x'.*scripts\\\\wembo.ini");
  EXPECT_EXIT(convertFloat("1e300", "a.ini"), ::testing::ExitedWithCode(1), "1e300");
  EXPECT_EXIT(convertFlag("", "a.ini"), ::testing::ExitedWithCode(1), "a.ini");
}

TEST(NumberConversion, ALiveReloadCountsBadValuesAndGoesOnWithZero) {
  resetConversionErrors();
  conversionErrors.collecting = true;
  EXPECT_EQ(convertInteger("12x", "scripts\\wembo.ini"), 0);
  EXPECT_EQ(convertFloat("1e300", "a.ini"), 0.0f);
  EXPECT_EQ(convertReal("7", "a.ini"), 7.0L) << "good values still convert";
  EXPECT_FALSE(convertFlag("?", "a.ini"));
  EXPECT_EQ(conversionErrors.count, 3);
  EXPECT_EQ(conversionErrors.first, conversionErrorText("12x", "scripts\\wembo.ini"));
  resetConversionErrors();
  EXPECT_FALSE(conversionErrors.collecting);
  EXPECT_EQ(conversionErrors.count, 0);
}

}  // namespace
}  // namespace glorbe
