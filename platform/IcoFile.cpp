#include "platform/IcoFile.h"

#include "platform/BmpFile.h"
#include "platform/ImageFile.h"
#include "platform/PngFile.h"


namespace {

[[noreturn]] void Fail(const std::string& why) { throw EImageError("ICO image: " + why); }

uint32_t U32(const std::string& s, size_t at) {
  if (at + 4 > s.size()) Fail("the file is truncated");
  const auto* p = reinterpret_cast<const uint8_t*>(s.data()) + at;
  return uint32_t(p[0]) | uint32_t(p[1]) << 8 | uint32_t(p[2]) << 16 | uint32_t(p[3]) << 24;
}

uint16_t U16(const std::string& s, size_t at) {
  if (at + 2 > s.size()) Fail("the file is truncated");
  const auto* p = reinterpret_cast<const uint8_t*>(s.data()) + at;
  return uint16_t(p[0] | p[1] << 8);
}

void Put32(std::string& s, uint32_t v) {
  for (int i = 0; i < 4; ++i) s += char((v >> (8 * i)) & 0xFF);
}

TBitmap ReadDib(const std::string& image) {
  const uint32_t headerSize = U32(image, 0);
  if (headerSize < 40 || headerSize > 124) Fail("unsupported bitmap header");
  const int32_t width = int32_t(U32(image, 4));
  const int32_t doubled = int32_t(U32(image, 8));
  const int bitCount = U16(image, 14);
  uint32_t colorsUsed = U32(image, 32);
  if (width <= 0 || width > TBitmap::MaxDimension || doubled <= 0 || doubled > 2 * TBitmap::MaxDimension)
    Fail("bad image size");
  if (bitCount != 1 && bitCount != 4 && bitCount != 8 && bitCount != 24 && bitCount != 32)
    Fail("unsupported bit count");
  // The height covers the colour image and the mask below it.
  const int32_t height = doubled >= 2 ? doubled / 2 : 1;
  if (int64_t(width) * height > TBitmap::MaxPixels) Fail("the image is too large");
  if (bitCount <= 8) {
    if (colorsUsed == 0 || colorsUsed > (1u << bitCount)) colorsUsed = 1u << bitCount;
  } else {
    colorsUsed = 0;
  }
  const uint64_t pixelsAt = uint64_t(headerSize) + uint64_t(colorsUsed) * 4;
  const uint64_t colourSize = uint64_t(TBitmap::StrideOf(width, bitCount)) * uint64_t(height);
  const uint64_t maskStride = TBitmap::StrideOf(width, 1);
  const uint64_t maskSize = maskStride * uint64_t(height);
  if (pixelsAt + colourSize > image.size()) Fail("the file is truncated");

  // The colour part alone is a BMP file once it has a file header and the
  // single height.
  std::string bmp = "BM";
  Put32(bmp, uint32_t(14 + pixelsAt + colourSize));
  Put32(bmp, 0);
  Put32(bmp, uint32_t(14 + pixelsAt));
  bmp.append(image, 0, size_t(pixelsAt + colourSize));
  const uint32_t h = uint32_t(height);
  for (int i = 0; i < 4; ++i) bmp[14 + 8 + i] = char((h >> (8 * i)) & 0xFF);
  TMemoryStream in(std::move(bmp));
  TBitmap colour = ReadBmp(in);
  if (colour.Width() != width || colour.Height() != height) Fail("bad image size");

  const bool ownAlpha = colour.PixelFormat() == TPixelFormat::pf32bit;
  const bool hasMask = pixelsAt + colourSize + maskSize <= image.size();
  const auto* mask = reinterpret_cast<const uint8_t*>(image.data()) + pixelsAt + colourSize;
  TBitmap out(width, height, TPixelFormat::pf32bit);
  for (int y = 0; y < height; ++y)
    for (int x = 0; x < width; ++x) {
      uint8_t alpha = 255;
      if (ownAlpha) {
        alpha = colour.GetAlpha(x, y);
      } else if (hasMask) {
        // Mask rows run bottom-up like the colour rows; a set bit is transparent.
        const uint8_t bits = mask[size_t(height - 1 - y) * maskStride + size_t(x / 8)];
        if ((bits >> (7 - x % 8)) & 1) alpha = 0;
      }
      out.SetPixel(x, y, colour.GetPixel(x, y), alpha);
    }
  return out;
}

}  // namespace

TBitmap ReadIco(TStream& stream) {
  const std::string bytes = ReadImageInput(stream, "ICO");
  if (bytes.size() < 6 || U16(bytes, 0) != 0 || (U16(bytes, 2) != 1 && U16(bytes, 2) != 2))
    Fail("not an icon file");
  const int count = U16(bytes, 4);
  if (count == 0) Fail("the file holds no image");
  if (6 + size_t(count) * 16 > bytes.size()) Fail("the file is truncated");
  int best = -1;
  int64_t bestArea = -1;
  int bestBits = -1;
  for (int i = 0; i < count; ++i) {
    const size_t e = 6 + size_t(i) * 16;
    const int w = uint8_t(bytes[e]) ? uint8_t(bytes[e]) : 256;
    const int h = uint8_t(bytes[e + 1]) ? uint8_t(bytes[e + 1]) : 256;
    const int bits = U16(bytes, e + 6);
    const uint64_t size = U32(bytes, e + 8), offset = U32(bytes, e + 12);
    if (size < 8 || offset + size > bytes.size()) continue;
    const int64_t area = int64_t(w) * h;
    if (area > bestArea || (area == bestArea && bits > bestBits)) {
      best = i;
      bestArea = area;
      bestBits = bits;
    }
  }
  if (best < 0) Fail("no image lies within the file");
  const size_t e = 6 + size_t(best) * 16;
  const std::string image = bytes.substr(U32(bytes, e + 12), U32(bytes, e + 8));
  if (image.compare(0, 8, "\x89PNG\r\n\x1a\n") == 0) {
    TMemoryStream in(image);
    return ReadPng(in);
  }
  return ReadDib(image);
}
