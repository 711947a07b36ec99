#include "platform/CodePage.h"

#include <gtest/gtest.h>

TEST(CodePage, Utf8RoundTripAndWindows1252Fallback) {
  struct {
    std::string Utf8;
    std::u16string Utf16;
  } valid[] = {
      {"", u""},
      {"abc", u"abc"},
      {"\xD0\x9F\xD1\x80\xD0\xB8", u"\u041F\u0440\u0438"},
      {"\xE2\x82\xAC", u"\u20AC"},
      {"\xF0\x9F\x98\x80", u"\U0001F600"},
  };
  for (const auto& c : valid) {
    EXPECT_EQ(Utf8ToUtf16(c.Utf8), c.Utf16);
    EXPECT_EQ(Utf16ToUtf8(c.Utf16), c.Utf8);
    EXPECT_EQ(FixUtf8(c.Utf8), c.Utf8);
  }
  // Windows-1252 bytes from files written elsewhere: "Café €5", a lone
  // continuation byte, a truncated sequence, an overlong form and a surrogate.
  EXPECT_EQ(Utf8ToUtf16("Caf\xE9 \x80" "5"), u"Caf\u00E9 \u20AC5");
  EXPECT_EQ(FixUtf8("Caf\xE9"), "Caf\xC3\xA9");
  EXPECT_EQ(Utf8ToUtf16("\x85"), u"\u2026");
  EXPECT_EQ(Utf8ToUtf16("a\xE2\x82"), u"a\u00E2\u201A");
  EXPECT_EQ(Utf8ToUtf16("\xC0\xAF"), u"\u00C0\u00AF");
  EXPECT_EQ(Utf8ToUtf16("\xED\xA0\x80").size(), 3u);
  EXPECT_EQ(Utf16ToUtf8(u"\xD800x"), "\xEF\xBF\xBDx");
}
