// Numbers as stored in report files: tolerant reading of floats and integers.

#include "document/qdxNumbers.h"

#include <gtest/gtest.h>

#include <charconv>
#include <cmath>
#include <cstdint>
#include <string>

TEST(Numbers, FloatsReadTolerantlyAndBadOnesRaise) {
  const std::pair<const char*, double> good[] = {
      {"12.5", 12.5},   {"12,5", 12.5},  {" 1 2.5 ", 12.5}, {"+3", 3},       {"-0.375", -0.375},
      {"40", 40},       {".5", 0.5},     {"5.", 5},         {"1e3", 1000},   {"-2.5E-2", -0.025},
      {"0.1", 0.1},     {"123456789012345", 123456789012345.0}, {"1234567890.123456789", 1234567890.123456789}};
  for (auto [text, value] : good) EXPECT_EQ(qdxStrToFloat(text), value) << text;
  EXPECT_TRUE(std::signbit(qdxStrToFloat("-0")));
  for (const char* bad : {"", " ", "abc", "1.2.3", "inf", "nan", "1e999", "--1", "12px", ","})
    EXPECT_THROW(qdxStrToFloat(bad), std::exception) << bad;
}

// Plain decimals take a shortcut; it must give the correctly rounded double.
TEST(Numbers, ShortDecimalsAgreeWithCorrectRounding) {
  uint64_t seed = 99;
  auto next = [&] { return seed = seed * 6364136223846793005ULL + 1442695040888963407ULL; };
  for (int i = 0; i < 200000; ++i) {
    const int digits = 1 + static_cast<int>(next() % 15);
    std::string text = (next() & 1) ? "-" : "";
    const int point = static_cast<int>(next() % static_cast<uint64_t>(digits + 1));
    for (int d = 0; d < digits; ++d) {
      if (d == point && d > 0) text += '.';
      text += static_cast<char>('0' + next() % 10);
    }
    double expected = 0;
    const char* b = text.data();
    std::from_chars(b, b + text.size(), expected);
    ASSERT_EQ(qdxStrToFloat(text), expected) << text;
  }
}
