#pragma once
// Off-screen bitmaps: 1-bit and 8-bit with a palette, 24-bit, and 32-bit with
// alpha (pictures read from files that carry transparency). Rows are kept top
// down, each padded to 4 bytes, pixels laid out as in device-independent bits:
// blue, green, red (and alpha); 1-bit pixels from the high bit.

#include "platform/GraphicsTypes.h"

#include <cstddef>
#include <cstdint>
#include <stdexcept>
#include <vector>

enum class TPixelFormat { pf1bit, pf8bit, pf24bit, pf32bit };

class EImageError : public std::runtime_error {
public:
  using std::runtime_error::runtime_error;
};

class TBitmap {
public:
  // Largest width or height, and largest pixel count, a bitmap may have:
  // files asking for more are refused before any memory is taken.
  static constexpr int MaxDimension = 65535;
  static constexpr int64_t MaxPixels = int64_t(1) << 28;

  TBitmap() = default;
  // All bytes zero: black, palette index 0, or transparent black. Paletted
  // formats start with a black-and-white (1-bit) or grey-ramp (8-bit) palette.
  TBitmap(int width, int height, TPixelFormat format = TPixelFormat::pf24bit);

  int Width() const { return FWidth; }
  int Height() const { return FHeight; }
  bool Empty() const { return FWidth == 0 || FHeight == 0; }
  TPixelFormat PixelFormat() const { return FFormat; }
  int BitsPerPixel() const;
  size_t Stride() const { return FStride; }
  static size_t StrideOf(int width, int bitsPerPixel);

  uint8_t* ScanLine(int y) { return FBits.data() + size_t(y) * FStride; }
  const uint8_t* ScanLine(int y) const { return FBits.data() + size_t(y) * FStride; }

  // Palette of the 1-bit and 8-bit formats (at most 2 or 256 entries).
  const std::vector<TColor>& Palette() const { return FPalette; }
  void SetPalette(std::vector<TColor> palette);

  // Resolution in dots per inch; 0 when unknown.
  double DpiX = 0;
  double DpiY = 0;

  // Colour of a pixel (through the palette for paletted formats).
  TColor GetPixel(int x, int y) const;
  uint8_t GetAlpha(int x, int y) const;  // 255 except for 32-bit pixels
  // Sets a pixel; paletted formats take the nearest palette entry.
  void SetPixel(int x, int y, TColor color, uint8_t alpha = 255);
  int GetIndex(int x, int y) const;  // palette index (paletted formats)
  void SetIndex(int x, int y, int index);

  void Fill(TColor color);
  // Changes the size keeping the pixels of the top-left corner; new pixels are 0.
  void SetSize(int width, int height);

  // The same picture in another format: to 8-bit through ReduceTo256Colors, to
  // 1-bit by brightness (black and white), to 32-bit opaque, from 32-bit by
  // dropping alpha.
  TBitmap Converted(TPixelFormat format) const;

  // Device-independent bits: a 40-byte info header (width, positive height,
  // planes 1, bit count, uncompressed, image size, resolution in pixels per
  // metre, colours used), the palette as blue, green, red, 0 quads, then the
  // rows bottom-up, each padded to 4 bytes.
  std::vector<uint8_t> DIBits() const;

  friend bool operator==(const TBitmap&, const TBitmap&) = default;

private:
  int FWidth = 0;
  int FHeight = 0;
  TPixelFormat FFormat = TPixelFormat::pf24bit;
  size_t FStride = 0;
  std::vector<uint8_t> FBits;
  std::vector<TColor> FPalette;
};

// An 8-bit copy with at most 256 palette entries. When the picture has at most
// 256 colours the palette holds exactly those (in order of first appearance,
// rows from the top) and no pixel changes; otherwise the palette comes from a
// median cut of the colours and each pixel takes the nearest entry. The result
// depends only on the pixels.
TBitmap ReduceTo256Colors(const TBitmap& source);
