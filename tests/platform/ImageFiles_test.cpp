#include "platform/BmpFile.h"
#include "platform/JpegFile.h"
#include "platform/PngFile.h"

#include <gtest/gtest.h>
#include <zlib.h>

#include <cstdlib>
#include <functional>
#include <string>

namespace {

TBitmap Sample(TPixelFormat fmt, int w = 7, int h = 5) {
  TBitmap b(w, h, TPixelFormat::pf32bit);
  for (int y = 0; y < h; ++y)
    for (int x = 0; x < w; ++x)
      b.SetPixel(x, y, RGBColor(uint8_t(x * 30), uint8_t(y * 50), uint8_t(200 - x * 10)), uint8_t(255 - x * 20));
  b.DpiX = 300;
  b.DpiY = 150;
  return fmt == TPixelFormat::pf32bit ? b : b.Converted(fmt);
}

std::string Encode(const std::function<void(TStream&)>& write) {
  TMemoryStream s;
  write(s);
  return s.Data();
}

template <class F>
TBitmap Decode(F read, const std::string& bytes) {
  TMemoryStream s(bytes);
  return read(s);
}

void ExpectSamePixels(const TBitmap& a, const TBitmap& b) {
  ASSERT_EQ(a.Width(), b.Width());
  ASSERT_EQ(a.Height(), b.Height());
  for (int y = 0; y < a.Height(); ++y)
    for (int x = 0; x < a.Width(); ++x) {
      ASSERT_EQ(a.GetPixel(x, y), b.GetPixel(x, y)) << x << "," << y;
      ASSERT_EQ(a.GetAlpha(x, y), b.GetAlpha(x, y)) << x << "," << y;
    }
}

void Put32(std::string& s, size_t at, uint32_t v, bool bigEndian = false) {
  for (int i = 0; i < 4; ++i)
    s[at + size_t(i)] = char(bigEndian ? v >> (24 - 8 * i) : v >> (8 * i));
}

}  // namespace

TEST(ImageFiles, BmpRoundTripsEveryFormat) {
  for (TPixelFormat fmt : {TPixelFormat::pf1bit, TPixelFormat::pf8bit, TPixelFormat::pf24bit, TPixelFormat::pf32bit}) {
    TBitmap b = Sample(fmt);
    TBitmap back = Decode(ReadBmp, Encode([&](TStream& s) { WriteBmp(s, b); }));
    EXPECT_EQ(back.PixelFormat(), fmt);
    ExpectSamePixels(b, back);
    EXPECT_NEAR(back.DpiX, 300, 0.1);
    EXPECT_NEAR(back.DpiY, 150, 0.1);
  }
}

TEST(ImageFiles, PngRoundTripsWithAlphaAndResolution) {
  for (TPixelFormat fmt : {TPixelFormat::pf1bit, TPixelFormat::pf8bit, TPixelFormat::pf24bit, TPixelFormat::pf32bit}) {
    TBitmap b = Sample(fmt);
    TBitmap back = Decode(ReadPng, Encode([&](TStream& s) { WritePng(s, b); }));
    EXPECT_EQ(back.PixelFormat(), fmt == TPixelFormat::pf32bit ? TPixelFormat::pf32bit : TPixelFormat::pf24bit);
    ExpectSamePixels(b, back);
    EXPECT_NEAR(back.DpiX, 300, 0.1);
    EXPECT_NEAR(back.DpiY, 150, 0.1);
  }
}

TEST(ImageFiles, JpegRoundTripsApproximately) {
  TBitmap b(40, 24);
  for (int y = 0; y < 24; ++y)
    for (int x = 0; x < 40; ++x)
      b.SetPixel(x, y, RGBColor(uint8_t(x * 6), uint8_t(y * 10), 128));
  b.DpiX = b.DpiY = 300;
  TBitmap back = Decode(ReadJpeg, Encode([&](TStream& s) { WriteJpeg(s, b, 95); }));
  ASSERT_EQ(back.Width(), 40);
  ASSERT_EQ(back.Height(), 24);
  EXPECT_EQ(back.DpiX, 300);
  double err = 0;
  for (int y = 0; y < 24; ++y)
    for (int x = 0; x < 40; ++x) {
      TColor o = b.GetPixel(x, y), r = back.GetPixel(x, y);
      err += std::abs(GetRValue(o) - GetRValue(r)) + std::abs(GetGValue(o) - GetGValue(r)) +
             std::abs(GetBValue(o) - GetBValue(r));
    }
  EXPECT_LT(err / (40 * 24 * 3), 3.0);
}

TEST(ImageFiles, DamagedFilesRaiseClearErrors) {
  std::string bmp = Encode([](TStream& s) { WriteBmp(s, Sample(TPixelFormat::pf8bit, 9, 9)); });
  std::string png = Encode([](TStream& s) { WritePng(s, Sample(TPixelFormat::pf24bit, 64, 64)); });
  TBitmap photo(64, 64);
  for (int y = 0; y < 64; ++y)
    for (int x = 0; x < 64; ++x)
      photo.SetPixel(x, y, RGBColor(uint8_t(x * 4), uint8_t((x * y) & 255), uint8_t(y * 4)));
  std::string jpg = Encode([&](TStream& s) { WriteJpeg(s, photo); });

  auto patched = [](std::string s, size_t at, uint32_t v) {
    Put32(s, at, v);
    return s;
  };
  // The IHDR chunk with a new width and a correct checksum.
  auto pngWidth = [&](uint32_t w) {
    std::string s = png;
    Put32(s, 16, w, true);
    uLong crc = crc32(0, reinterpret_cast<const Bytef*>(s.data() + 12), 17);
    Put32(s, 29, uint32_t(crc), true);
    return s;
  };
  std::string badPngData = png;
  for (size_t i = 60; i < 90; ++i)
    badPngData[i] = char(badPngData[i] ^ 0x5A);

  struct TCase {
    const char* Name;
    TBitmap (*Read)(TStream&);
    std::string Bytes;
    const char* Message;  // part of the error's text
  } cases[] = {
      {"empty bmp", ReadBmp, "", "empty"},
      {"not bmp", ReadBmp, "GIF89a and more bytes than enough to look at", "not a BMP"},
      {"header cut", ReadBmp, bmp.substr(0, 30), "truncated"},
      {"pixels cut", ReadBmp, bmp.substr(0, bmp.size() - 10), "truncated"},
      {"huge width", ReadBmp, patched(bmp, 18, 0x7FFFFFFF), "size"},
      {"zero height", ReadBmp, patched(bmp, 22, 0), "size"},
      {"negative width", ReadBmp, patched(bmp, 18, uint32_t(-5)), "size"},
      {"bit count 7", ReadBmp, patched(bmp, 28, 7), "bit count"},
      {"palette too long", ReadBmp, patched(bmp, 46, 1000), "palette"},
      {"offset outside", ReadBmp, patched(bmp, 10, 0x7FFFFFF0), "offset"},
      {"run-length", ReadBmp, patched(bmp, 30, 1), "not supported"},
      {"header size", ReadBmp, patched(bmp, 14, 500), "header"},
      {"empty png", ReadPng, "", "empty"},
      {"not png", ReadPng, bmp, "not a PNG"},
      {"png signature only", ReadPng, png.substr(0, 8), "truncated"},
      {"png cut", ReadPng, png.substr(0, png.size() / 2), "truncated"},
      {"png huge width", ReadPng, pngWidth(1000000), "IHDR"},
      {"png zero width", ReadPng, pngWidth(0), "IHDR"},
      {"png damaged data", ReadPng, badPngData, ""},
      {"empty jpeg", ReadJpeg, "", "empty"},
      {"not jpeg", ReadJpeg, png, "not a JPEG"},
      {"jpeg marker only", ReadJpeg, jpg.substr(0, 2), ""},
      {"jpeg cut", ReadJpeg, jpg.substr(0, jpg.size() / 2), "Premature end"},
      {"jpeg garbage", ReadJpeg, std::string("\xFF\xD8\xFF\x01garbage garbage garbage", 26), ""},
  };
  for (const TCase& c : cases) {
    TMemoryStream s(c.Bytes);
    try {
      c.Read(s);
      ADD_FAILURE() << c.Name << ": no error";
    } catch (const EImageError& e) {
      EXPECT_NE(std::string(e.what()).find(c.Message), std::string::npos) << c.Name << ": " << e.what();
    }
  }
}
