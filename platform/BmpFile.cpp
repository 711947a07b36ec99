#include "platform/BmpFile.h"

#include "platform/ImageFile.h"

#include <bit>
#include <cstring>

namespace {

[[noreturn]] void Fail(const std::string& why) { throw EImageError("BMP image: " + why); }

struct TReader {
  const uint8_t* Data;
  size_t Size;
  uint32_t U32(size_t at) const {
    if (at + 4 > Size)
      Fail("the file is truncated");
    return uint32_t(Data[at]) | uint32_t(Data[at + 1]) << 8 | uint32_t(Data[at + 2]) << 16 |
           uint32_t(Data[at + 3]) << 24;
  }
  uint16_t U16(size_t at) const {
    if (at + 2 > Size)
      Fail("the file is truncated");
    return uint16_t(Data[at] | Data[at + 1] << 8);
  }
};

// Scales a masked field to 8 bits.
struct TField {
  uint32_t Mask = 0;
  int Shift = 0;
  int Bits = 0;
  explicit TField(uint32_t mask) : Mask(mask) {
    if (mask) {
      Shift = std::countr_zero(mask);
      Bits = std::popcount(mask);
      if (Bits > 8) {
        Shift += Bits - 8;
        Bits = 8;
      }
    }
  }
  uint8_t Get(uint32_t v) const {
    if (!Mask)
      return 0;
    uint32_t x = ((v & Mask) >> Shift) & ((1u << Bits) - 1);
    return uint8_t(Bits == 8 ? x : (x * 255 + ((1u << Bits) - 1) / 2) / ((1u << Bits) - 1));
  }
};

void Put16(std::string& s, uint16_t v) {
  s += char(v & 0xFF);
  s += char(v >> 8);
}
void Put32(std::string& s, uint32_t v) {
  for (int i = 0; i < 4; ++i)
    s += char((v >> (8 * i)) & 0xFF);
}

}  // namespace

TBitmap ReadBmp(TStream& stream) {
  std::string bytes = ReadImageInput(stream, "BMP");
  TReader r{reinterpret_cast<const uint8_t*>(bytes.data()), bytes.size()};
  if (r.Size < 26 || r.Data[0] != 'B' || r.Data[1] != 'M')
    Fail("not a BMP file");
  uint32_t offBits = r.U32(10);
  uint32_t headerSize = r.U32(14);
  bool core = headerSize == 12;
  if (!core && (headerSize < 40 || headerSize > 124))
    Fail("unsupported info header size " + std::to_string(headerSize));
  if (14 + uint64_t(headerSize) > r.Size)
    Fail("the file is truncated");
  int64_t width, height;
  int bitCount;
  uint32_t compression = 0, colorsUsed = 0, xppm = 0, yppm = 0;
  if (core) {
    width = r.U16(18);
    height = int16_t(r.U16(20));
    if (r.U16(22) != 1)
      Fail("planes must be 1");
    bitCount = r.U16(24);
  } else {
    width = int32_t(r.U32(18));
    height = int32_t(r.U32(22));
    if (r.U16(26) != 1)
      Fail("planes must be 1");
    bitCount = r.U16(28);
    compression = r.U32(30);
    xppm = r.U32(38);
    yppm = r.U32(42);
    colorsUsed = r.U32(46);
  }
  bool topDown = height < 0;
  if (topDown)
    height = -height;
  if (width <= 0 || height <= 0 || width > TBitmap::MaxDimension || height > TBitmap::MaxDimension ||
      width * height > TBitmap::MaxPixels)
    Fail("unsupported size " + std::to_string(width) + " x " + std::to_string(height));
  if (bitCount != 1 && bitCount != 4 && bitCount != 8 && bitCount != 16 && bitCount != 24 && bitCount != 32)
    Fail("unsupported bit count " + std::to_string(bitCount));
  // Masks of 16- and 32-bit pixels: the defaults, or bit fields.
  uint32_t masks[4] = {0, 0, 0, 0};
  if (bitCount == 16) {
    masks[0] = 0x7C00, masks[1] = 0x03E0, masks[2] = 0x001F;
  } else if (bitCount == 32) {
    masks[0] = 0xFF0000, masks[1] = 0xFF00, masks[2] = 0xFF, masks[3] = 0xFF000000;
  }
  if (compression == 3 || compression == 6) {
    if (bitCount != 16 && bitCount != 32)
      Fail("bit fields need 16 or 32 bits per pixel");
    // The masks follow a 40-byte header or are part of a longer one.
    size_t at = 14 + 40;
    int count = compression == 6 || headerSize >= 56 ? 4 : 3;
    for (int i = 0; i < count; ++i)
      masks[i] = r.U32(at + 4 * size_t(i));
    if (count == 3)
      masks[3] = 0;
  } else if (compression == 1 || compression == 2) {
    Fail("run-length compressed files are not supported");
  } else if (compression != 0) {
    Fail("compression " + std::to_string(compression) + " is not supported");
  }
  // Palette.
  std::vector<TColor> palette;
  if (bitCount <= 8) {
    uint32_t maxColors = 1u << bitCount;
    uint32_t n = colorsUsed == 0 ? maxColors : colorsUsed;
    if (n > maxColors)
      Fail("the palette has " + std::to_string(colorsUsed) + " entries, more than the bit count allows");
    size_t entry = core ? 3 : 4;
    size_t at = 14 + size_t(headerSize);
    if (at + n * entry > r.Size)
      Fail("the palette is truncated");
    for (uint32_t i = 0; i < n; ++i) {
      const uint8_t* p = r.Data + at + i * entry;
      palette.push_back(RGBColor(p[2], p[1], p[0]));
    }
  }
  size_t stride = TBitmap::StrideOf(int(width), bitCount);
  if (offBits < 14 + headerSize || offBits > r.Size)
    Fail("the pixel offset lies outside the file");
  if (uint64_t(offBits) + uint64_t(stride) * uint64_t(height) > r.Size)
    Fail("the pixel data is truncated");

  TPixelFormat fmt = bitCount == 1   ? TPixelFormat::pf1bit
                     : bitCount <= 8 ? TPixelFormat::pf8bit
                                     : TPixelFormat::pf24bit;
  bool alpha = false;
  if (bitCount == 32 && masks[3]) {
    for (int64_t y = 0; y < height && !alpha; ++y) {
      const uint8_t* row = r.Data + offBits + size_t(y) * stride;
      for (int64_t x = 0; x < width; ++x) {
        uint32_t v = uint32_t(row[4 * x]) | uint32_t(row[4 * x + 1]) << 8 | uint32_t(row[4 * x + 2]) << 16 |
                     uint32_t(row[4 * x + 3]) << 24;
        if (v & masks[3]) {
          alpha = true;
          break;
        }
      }
    }
    if (alpha)
      fmt = TPixelFormat::pf32bit;
  }
  TBitmap bmp(int(width), int(height), fmt);
  if (!palette.empty())
    bmp.SetPalette(palette);
  bmp.DpiX = xppm * 0.0254;
  bmp.DpiY = yppm * 0.0254;
  TField fr(masks[0]), fg(masks[1]), fb(masks[2]), fa(masks[3]);
  for (int64_t fileRow = 0; fileRow < height; ++fileRow) {
    const uint8_t* src = r.Data + offBits + size_t(fileRow) * stride;
    int y = int(topDown ? fileRow : height - 1 - fileRow);
    uint8_t* dst = bmp.ScanLine(y);
    switch (bitCount) {
      case 1:
      case 8: std::memcpy(dst, src, bmp.Stride()); break;
      case 4:
        for (int64_t x = 0; x < width; ++x)
          dst[x] = x % 2 ? src[x / 2] & 0x0F : src[x / 2] >> 4;
        break;
      case 24: std::memcpy(dst, src, size_t(width) * 3); break;
      case 16:
      case 32:
        for (int64_t x = 0; x < width; ++x) {
          uint32_t v = bitCount == 16 ? uint32_t(src[2 * x] | src[2 * x + 1] << 8)
                                      : uint32_t(src[4 * x]) | uint32_t(src[4 * x + 1]) << 8 |
                                            uint32_t(src[4 * x + 2]) << 16 | uint32_t(src[4 * x + 3]) << 24;
          bmp.SetPixel(int(x), y, RGBColor(fr.Get(v), fg.Get(v), fb.Get(v)), alpha ? fa.Get(v) : 255);
        }
        break;
    }
  }
  return bmp;
}

void WriteBmp(TStream& stream, const TBitmap& bitmap) {
  std::vector<uint8_t> dib = bitmap.DIBits();
  size_t paletteBytes = bitmap.PixelFormat() == TPixelFormat::pf1bit || bitmap.PixelFormat() == TPixelFormat::pf8bit
                            ? bitmap.Palette().size() * 4
                            : 0;
  std::string head = "BM";
  Put32(head, uint32_t(14 + dib.size()));
  Put16(head, 0);
  Put16(head, 0);
  Put32(head, uint32_t(14 + 40 + paletteBytes));
  stream.WriteBuffer(head.data(), head.size());
  stream.WriteBuffer(dib.data(), dib.size());
}
