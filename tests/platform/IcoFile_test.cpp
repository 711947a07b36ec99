// Icon files: the largest image, masks as transparency, damaged files refused.
#include "platform/IcoFile.h"
#include "platform/PngFile.h"

#include <gtest/gtest.h>

namespace {

void Put16(std::string& s, int v) {
  s += char(v & 0xFF);
  s += char((v >> 8) & 0xFF);
}
void Put32(std::string& s, uint32_t v) {
  for (int i = 0; i < 4; ++i) s += char((v >> (8 * i)) & 0xFF);
}

// A device-independent bitmap of an icon: 2 x 2 at 24 bits, the mask making
// the top-left pixel transparent.
std::string Dib24() {
  std::string d;
  Put32(d, 40);
  Put32(d, 2);
  Put32(d, 4);  // doubled height
  Put16(d, 1);
  Put16(d, 24);
  for (int i = 0; i < 6; ++i) Put32(d, 0);
  // Rows bottom-up, each 6 bytes padded to 8: blue, green, red.
  d += std::string("\x00\x00\xFF" "\xFF\xFF\xFF" "\x00\x00", 8);  // bottom: red, white
  d += std::string("\xFF\x00\x00" "\x00\xFF\x00" "\x00\x00", 8);  // top: blue, green
  // Mask rows bottom-up, 4 bytes each: the top row's first pixel is set.
  d += std::string("\x00\x00\x00\x00", 4);
  d += std::string("\x80\x00\x00\x00", 4);
  return d;
}

std::string Icon(const std::vector<std::pair<int, std::string>>& images) {
  std::string f;
  Put16(f, 0);
  Put16(f, 1);
  Put16(f, int(images.size()));
  uint32_t offset = uint32_t(6 + 16 * images.size());
  for (const auto& [size, data] : images) {
    f += char(size);
    f += char(size);
    f += '\0';
    f += '\0';
    Put16(f, 1);
    Put16(f, 24);
    Put32(f, uint32_t(data.size()));
    Put32(f, offset);
    offset += uint32_t(data.size());
  }
  for (const auto& image : images) f += image.second;
  return f;
}

TBitmap Read(const std::string& bytes) {
  TMemoryStream in(bytes);
  return ReadIco(in);
}

TEST(IcoFile, ReadsTheLargestImageWithItsMask) {
  TBitmap png(3, 3);
  png.Fill(RGBColor(1, 2, 3));
  TMemoryStream pngBytes;
  WritePng(pngBytes, png);

  const TBitmap b = Read(Icon({{2, Dib24()}}));
  ASSERT_EQ(b.Width(), 2);
  ASSERT_EQ(b.Height(), 2);
  EXPECT_EQ(b.GetAlpha(0, 0), 0);
  EXPECT_EQ(b.GetPixel(1, 0), RGBColor(0, 255, 0));
  EXPECT_EQ(b.GetAlpha(1, 0), 255);
  EXPECT_EQ(b.GetPixel(0, 1), RGBColor(255, 0, 0));
  EXPECT_EQ(b.GetPixel(1, 1), RGBColor(255, 255, 255));

  const TBitmap large = Read(Icon({{2, Dib24()}, {3, pngBytes.Data()}}));
  EXPECT_EQ(large.Width(), 3);
  EXPECT_EQ(large.GetPixel(2, 2), RGBColor(1, 2, 3));
}

TEST(IcoFile, DamagedFilesAreRefused) {
  const std::string good = Icon({{2, Dib24()}});
  struct {
    const char* Label;
    std::string Bytes;
  } cases[] = {
      {"empty", ""},
      {"not an icon", "GIF89a................"},
      {"no images", std::string("\0\0\1\0\0\0", 6)},
      {"directory cut", good.substr(0, 12)},
      {"image outside the file", good.substr(0, good.size() - 20)},
      {"colour rows cut", [&] {
         std::string s = good;
         s[6 + 8] = char(50);  // the entry says 50 bytes: the rows are cut
         return s;
       }()},
  };
  for (const auto& c : cases) EXPECT_THROW(Read(c.Bytes), EImageError) << c.Label;
}

}  // namespace
