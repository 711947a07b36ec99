#include "platform/Bitmap.h"

#include <gtest/gtest.h>

namespace {

uint32_t U32(const std::vector<uint8_t>& v, size_t at) {
  return uint32_t(v[at]) | uint32_t(v[at + 1]) << 8 | uint32_t(v[at + 2]) << 16 | uint32_t(v[at + 3]) << 24;
}

}  // namespace

TEST(Bitmap, DeviceIndependentBitsAreBottomUpWithPaddedRows) {
  TBitmap b(3, 2);
  b.DpiX = b.DpiY = 96;
  b.SetPixel(0, 0, RGBColor(1, 2, 3));     // top-left
  b.SetPixel(2, 1, RGBColor(7, 8, 9));     // bottom-right
  std::vector<uint8_t> dib = b.DIBits();
  ASSERT_EQ(dib.size(), 40u + 2 * 12);     // 9 bytes a row, padded to 12
  EXPECT_EQ(U32(dib, 0), 40u);
  EXPECT_EQ(U32(dib, 4), 3u);
  EXPECT_EQ(U32(dib, 8), 2u);
  EXPECT_EQ(dib[14], 24);
  EXPECT_EQ(U32(dib, 20), 24u);
  EXPECT_EQ(U32(dib, 24), 3780u);          // 96 dpi in pixels per metre
  // First stored row is the bottom one: its last pixel is blue, green, red.
  EXPECT_EQ((std::vector<uint8_t>(dib.begin() + 46, dib.begin() + 49)), (std::vector<uint8_t>{9, 8, 7}));
  EXPECT_EQ((std::vector<uint8_t>(dib.begin() + 52, dib.begin() + 55)), (std::vector<uint8_t>{3, 2, 1}));

  TBitmap mono(9, 1, TPixelFormat::pf1bit);
  mono.SetIndex(8, 0, 1);
  std::vector<uint8_t> m = mono.DIBits();
  ASSERT_EQ(m.size(), 40u + 2 * 4 + 4);
  EXPECT_EQ(U32(m, 32), 2u);               // colours used
  EXPECT_EQ(m[40 + 8 + 1], 0x80);          // pixel 8 is the high bit of the second byte
}

TEST(Bitmap, ReductionIsExactUpTo256ColoursAndDeterministicBeyond) {
  TBitmap few(16, 16);
  for (int y = 0; y < 16; ++y)
    for (int x = 0; x < 16; ++x)
      few.SetPixel(x, y, RGBColor(uint8_t(x * 16), uint8_t(y * 16), uint8_t(x ^ y)));
  TBitmap p = ReduceTo256Colors(few);
  EXPECT_EQ(p.PixelFormat(), TPixelFormat::pf8bit);
  EXPECT_EQ(p.Palette().size(), 256u);
  for (int y = 0; y < 16; ++y)
    for (int x = 0; x < 16; ++x)
      ASSERT_EQ(p.GetPixel(x, y), few.GetPixel(x, y));
  EXPECT_EQ(p.Palette()[0], few.GetPixel(0, 0)) << "palette in order of first appearance";

  TBitmap many(64, 64);
  for (int y = 0; y < 64; ++y)
    for (int x = 0; x < 64; ++x)
      many.SetPixel(x, y, RGBColor(uint8_t(x * 4), uint8_t(y * 4), uint8_t((x + y) * 2)));
  TBitmap a = ReduceTo256Colors(many), b = ReduceTo256Colors(many);
  EXPECT_EQ(a, b);
  EXPECT_LE(a.Palette().size(), 256u);
  long long err = 0;
  for (int y = 0; y < 64; ++y)
    for (int x = 0; x < 64; ++x) {
      TColor o = many.GetPixel(x, y), r = a.GetPixel(x, y);
      err += std::abs(GetRValue(o) - GetRValue(r)) + std::abs(GetGValue(o) - GetGValue(r)) +
             std::abs(GetBValue(o) - GetBValue(r));
    }
  EXPECT_LT(double(err) / (64 * 64 * 3), 8.0) << "mean error per channel";
}

TEST(Bitmap, ResizingKeepsTheTopLeftAndSizesAreChecked) {
  TBitmap b(4, 4, TPixelFormat::pf1bit);
  b.SetIndex(0, 0, 1);
  b.SetIndex(3, 3, 1);
  b.SetSize(2, 5);
  EXPECT_EQ(b.Width(), 2);
  EXPECT_EQ(b.GetIndex(0, 0), 1);
  EXPECT_EQ(b.GetIndex(1, 4), 0);
  EXPECT_THROW(TBitmap(-1, 5), EImageError);
  EXPECT_THROW(TBitmap(65536, 1), EImageError);
  EXPECT_THROW(TBitmap(60000, 60000), EImageError);
}
