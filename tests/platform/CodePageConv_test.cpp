#include "platform/CodePageConv.h"

#include <gtest/gtest.h>

#include <stdexcept>

#include "platform/CodePage.h"
#include "platform/FontDesc.h"

TEST(CodePageConv, RoundTripsAndQuestionMarks) {
  struct {
    int CodePage;
    std::string Utf8;
    std::string Bytes;
    std::string Back;  // what the bytes read back as
  } cases[] = {
      // Windows Cyrillic: the euro sign exists, CJK does not.
      {1251, "Привет, мир! €", "\xCF\xF0\xE8\xE2\xE5\xF2, \xEC\xE8\xF0! \x88", "Привет, мир! €"},
      {1251, "a中b", "a?b", "a?b"},
      // DOS Cyrillic: box drawing exists, the euro sign does not.
      {866, "Привет ╔═╗", "\x8F\xE0\xA8\xA2\xA5\xE2 \xC9\xCD\xBB", "Привет ╔═╗"},
      {866, "€5", "?5", "?5"},
      {437, "Café ½", "Caf\x82 \xAB", "Café ½"},
      {1, "é", "\x82", "é"},  // the OEM code page of these settings is 437
      // Multi-byte: Japanese.
      {932, "日本 x", "\x93\xFA\x96{ x", "日本 x"},
      {1252, "Café €\xC2\x81", "Caf\xE9 \x80\x81", "Café €\xC2\x81"},
      {1252, "Ж", "?", "?"},
      {65001, "Ж", "Ж", "Ж"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.CodePage);
    EXPECT_EQ(Utf8ToCodePage(c.Utf8, c.CodePage), c.Bytes);
    EXPECT_EQ(CodePageToUtf8(c.Bytes, c.CodePage), c.Back);
    EXPECT_EQ(Utf16ToCodePage(Utf8ToUtf16(c.Utf8), c.CodePage), c.Bytes);
    EXPECT_EQ(CodePageToUtf16(c.Bytes, c.CodePage), Utf8ToUtf16(c.Back));
  }
}

TEST(CodePageConv, BadInput) {
  // Byte 0x98 means nothing in Windows-1251; a lead byte without its trail
  // byte means nothing in 932.
  EXPECT_EQ(CodePageToUtf8("a\x98z", 1251), "a?z");
  EXPECT_EQ(CodePageToUtf8("a\x82", 932), "a?");
  // Invalid UTF-8 is read as Windows-1252 first, as everywhere.
  EXPECT_EQ(Utf8ToCodePage("Caf\xE9", 437), "Caf\x82");
  // A stateful encoding closes its shift after a replaced character.
  EXPECT_EQ(Utf8ToCodePage("日€", 50220), "\x1B$BF|\x1B(B?");
  EXPECT_THROW(Utf8ToCodePage("x", 12345), std::invalid_argument);
  EXPECT_THROW(CodePageToUtf8("x", 12345), std::invalid_argument);
  EXPECT_TRUE(IsCodePageSupported(1251));
  EXPECT_TRUE(IsCodePageSupported(866));
  EXPECT_FALSE(IsCodePageSupported(12345));
}

TEST(CodePageConv, NamesAndCharsets) {
  EXPECT_EQ(CodePageName(1251), "CP1251");
  EXPECT_EQ(CodePageName(437), "IBM437");
  EXPECT_EQ(CodePageName(20866), "KOI8-R");
  EXPECT_EQ(CodePageName(28595), "ISO-8859-5");
  EXPECT_EQ(CodePageName(65001), "UTF-8");
  EXPECT_EQ(CharsetToCodePage(FontCharset::Russian), 1251);
  EXPECT_EQ(CharsetToCodePage(FontCharset::Default), 1252);
  EXPECT_EQ(CharsetToCodePage(FontCharset::EastEurope), 1250);
  EXPECT_EQ(CharsetToCodePage(FontCharset::ShiftJis), 932);
  EXPECT_EQ(CharsetToCodePage(FontCharset::Oem), 437);
  EXPECT_EQ(CharsetToCodePage(FontCharset::Symbol), 0);
}
