#include "document/qdxUtils.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>

namespace {

uint32_t BitwiseCRC32(const std::string& s) {
  uint32_t c = 0xFFFFFFFFu;
  for (unsigned char b : s) {
    c ^= b;
    for (int k = 0; k < 8; ++k) c = (c & 1) ? 0xEDB88320u ^ (c >> 1) : c >> 1;
  }
  return ~c;
}

std::string AllByteValues() {
  std::string s;
  for (int i = 0; i < 256; ++i) s += static_cast<char>(i);
  return s;
}

std::string LE32(uint32_t v) {
  std::string s(4, '\0');
  for (int i = 0; i < 4; ++i) s[i] = static_cast<char>(v >> (8 * i));
  return s;
}

std::string WithHeader(const std::string& payload, int64_t lengthDelta = 0) {
  return std::string("\x01\x00\x00\x01", 4) + LE32(static_cast<uint32_t>(payload.size() + lengthDelta)) + payload;
}

}  // namespace

TEST(qdxCRC32, KnownValuesAndPiecewiseUpdate) {
  EXPECT_EQ(qdxCRC32("123456789"), 0xCBF43926u);
  EXPECT_EQ(qdxCRC32(""), 0u);
  std::string data = AllByteValues() + AllByteValues() + "tail";
  // Every length and start offset around the 8-byte blocks against the
  // plain bit-by-bit definition.
  for (size_t start = 0; start < 9; ++start)
    for (size_t len = 0; len + start <= 40; ++len)
      ASSERT_EQ(qdxCRC32(data.data() + start, len), BitwiseCRC32(data.substr(start, len))) << start << " " << len;
  EXPECT_EQ(qdxCRC32(data), BitwiseCRC32(data));
  uint32_t c = 0;
  for (size_t pos = 0; pos < data.size(); pos += 13)
    c = qdxCRC32Update(c, data.data() + pos, std::min<size_t>(13, data.size() - pos));
  EXPECT_EQ(c, qdxCRC32(data));
}

TEST(qdxHex, RoundTripIsUpperCasePairs) {
  std::string all = AllByteValues();
  std::string hex = BytesToHex(all);
  ASSERT_EQ(hex.size(), 512u);
  EXPECT_EQ(hex.substr(0, 8), "00010203");
  EXPECT_EQ(hex.substr(504), "FCFDFEFF");
  std::string back;
  EXPECT_TRUE(HexToBytes(hex, back));
  EXPECT_EQ(back, all);
  EXPECT_TRUE(HexToBytes("abCdeF", back));
  EXPECT_EQ(back, "\xAB\xCD\xEF");
  EXPECT_EQ(BytesToHex(""), "");
}

TEST(qdxHex, MalformedInputStopsAtTheFirstBadPair) {
  struct {
    std::string Hex;
    bool Valid;
    std::string Bytes;
  } cases[] = {
      {"", true, ""},
      {"A", false, ""},
      {"ABC", false, "\xAB"},
      {"G1", false, ""},
      {"1G", false, ""},
      {"AB 12", false, "\xAB"},
      {"ABZZ12", false, "\xAB"},
      {"AB\n12", false, "\xAB"},
      {std::string("AB\0" "112", 6), false, "\xAB"},
      {"AB\xC3\xA9", false, "\xAB"},
      {"0x12", false, ""},
      {"4142", true, "AB"},
  };
  for (const auto& c : cases) {
    std::string bytes = "stale";
    EXPECT_EQ(HexToBytes(c.Hex, bytes), c.Valid) << c.Hex;
    EXPECT_EQ(bytes, c.Bytes) << c.Hex;
  }
}

TEST(qdxDetectPictureFormat, KindsWithAndWithoutHeader) {
  std::string emf = LE32(1) + LE32(108) + std::string(32, '\0') + " EMF" + std::string(64, '\0');
  struct {
    const char* Kind;
    std::string Bytes;
    const char* ClassName;
    bool Enhanced, Placeable;
  } cases[] = {
      {"bitmap", std::string("BM\x36\x00\x00\x00", 6), "TBitmap", false, false},
      {"jpeg", "\xFF\xD8\xFF\xE0", "TJPEGImage", false, false},
      {"png", std::string("\x89PNG\r\n\x1A\n\0\0\0\x0DIHDR", 16), "TPNGObject", false, false},
      {"placeable", std::string("\xD7\xCD\xC6\x9A\0\0", 6), "TMetafile", false, true},
      {"enhanced", emf, "TMetafile", true, false},
      {"icon", std::string("\0\0\x01\0\x01\0", 6), "TIcon", false, false},
      {"gif", "GIF89a\x01\0", "", false, false},
  };
  for (const auto& c : cases) {
    for (bool header : {false, true}) {
      std::string bytes = header ? WithHeader(c.Bytes) : c.Bytes;
      TqdxPictureFormat f = qdxDetectPictureFormat(bytes);
      SCOPED_TRACE(std::string(c.Kind) + (header ? " with header" : ""));
      EXPECT_EQ(f.ClassName, c.ClassName);
      EXPECT_EQ(f.Enhanced, c.Enhanced);
      EXPECT_EQ(f.Placeable, c.Placeable);
      EXPECT_EQ(f.PayloadOffset, header && f.Known() ? 8u : 0u);
    }
  }
  // A header whose length does not match is no header; its bytes are nothing known.
  for (int64_t delta : {-1, 1}) {
    TqdxPictureFormat f = qdxDetectPictureFormat(WithHeader("BM\x36\x00", delta));
    EXPECT_FALSE(f.Known()) << delta;
    EXPECT_EQ(f.PayloadOffset, 0u);
  }
}

TEST(qdxDetectPictureFormat, ShortInputsAreReadWithinBounds) {
  // Each input sits in an allocation of exactly its size, so the address
  // sanitizer catches a read past it.
  struct {
    std::string Bytes;
    const char* ClassName;
  } cases[] = {
      {"", ""},
      {"B", ""},
      {"\xFF", ""},
      {"BM", "TBitmap"},
      {"\xD7\xCD\xC6", ""},
      {std::string("\x89PNG\r\n\x1A", 7), ""},
      {std::string("\x01\x00\x00\x01\x00\x00\x00", 7), ""},
      {std::string("\x01\x00\x00\x01\x00\x00\x00\x00", 8), ""},  // header over nothing
      {WithHeader("B"), ""},
      {WithHeader("\xFF\xD8"), "TJPEGImage"},
      {std::string("\x01\x02\x03", 3), ""},
  };
  for (const auto& c : cases) {
    std::unique_ptr<char[]> exact(new char[c.Bytes.size() + (c.Bytes.empty() ? 1 : 0)]);
    std::copy(c.Bytes.begin(), c.Bytes.end(), exact.get());
    TqdxPictureFormat f = qdxDetectPictureFormat(std::string_view(exact.get(), c.Bytes.size()));
    EXPECT_EQ(f.ClassName, c.ClassName) << BytesToHex(c.Bytes);
  }
}
