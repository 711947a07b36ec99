#include "platform/Bitmap.h"

#include <algorithm>
#include <cstring>
#include <string>
#include <unordered_map>

namespace {

int BitsOf(TPixelFormat f) {
  switch (f) {
    case TPixelFormat::pf1bit: return 1;
    case TPixelFormat::pf8bit: return 8;
    case TPixelFormat::pf24bit: return 24;
    case TPixelFormat::pf32bit: return 32;
  }
  return 24;
}

int Distance2(TColor a, TColor b) {
  int dr = int(GetRValue(a)) - GetRValue(b), dg = int(GetGValue(a)) - GetGValue(b),
      db = int(GetBValue(a)) - GetBValue(b);
  return dr * dr + dg * dg + db * db;
}

int NearestIndex(const std::vector<TColor>& palette, TColor c) {
  int best = 0, bestD = INT32_MAX;
  for (size_t i = 0; i < palette.size(); ++i) {
    int d = Distance2(palette[i], c);
    if (d < bestD) {
      bestD = d;
      best = int(i);
    }
  }
  return best;
}

void Put32(std::vector<uint8_t>& v, uint32_t x) {
  for (int i = 0; i < 4; ++i)
    v.push_back(uint8_t(x >> (8 * i)));
}
void Put16(std::vector<uint8_t>& v, uint16_t x) {
  v.push_back(uint8_t(x));
  v.push_back(uint8_t(x >> 8));
}

}  // namespace

size_t TBitmap::StrideOf(int width, int bitsPerPixel) {
  return ((size_t(width) * size_t(bitsPerPixel) + 31) / 32) * 4;
}

TBitmap::TBitmap(int width, int height, TPixelFormat format) : FFormat(format) {
  if (width < 0 || height < 0 || width > MaxDimension || height > MaxDimension ||
      int64_t(width) * height > MaxPixels)
    throw EImageError("bitmap size " + std::to_string(width) + " x " + std::to_string(height) + " is not supported");
  FWidth = width;
  FHeight = height;
  FStride = StrideOf(width, BitsOf(format));
  FBits.assign(FStride * size_t(height), 0);
  if (format == TPixelFormat::pf1bit)
    FPalette = {clBlackRGB, clWhiteRGB};
  else if (format == TPixelFormat::pf8bit)
    for (int i = 0; i < 256; ++i)
      FPalette.push_back(RGBColor(uint8_t(i), uint8_t(i), uint8_t(i)));
}

int TBitmap::BitsPerPixel() const { return BitsOf(FFormat); }

void TBitmap::SetPalette(std::vector<TColor> palette) {
  size_t limit = FFormat == TPixelFormat::pf1bit ? 2 : FFormat == TPixelFormat::pf8bit ? 256 : 0;
  if (palette.size() > limit)
    palette.resize(limit);
  FPalette = std::move(palette);
}

int TBitmap::GetIndex(int x, int y) const {
  const uint8_t* row = ScanLine(y);
  if (FFormat == TPixelFormat::pf1bit)
    return (row[x >> 3] >> (7 - (x & 7))) & 1;
  if (FFormat == TPixelFormat::pf8bit)
    return row[x];
  return 0;
}

void TBitmap::SetIndex(int x, int y, int index) {
  uint8_t* row = ScanLine(y);
  if (FFormat == TPixelFormat::pf1bit) {
    uint8_t mask = uint8_t(0x80 >> (x & 7));
    row[x >> 3] = index & 1 ? row[x >> 3] | mask : row[x >> 3] & ~mask;
  } else if (FFormat == TPixelFormat::pf8bit) {
    row[x] = uint8_t(index);
  }
}

TColor TBitmap::GetPixel(int x, int y) const {
  const uint8_t* row = ScanLine(y);
  switch (FFormat) {
    case TPixelFormat::pf1bit:
    case TPixelFormat::pf8bit: {
      size_t i = size_t(GetIndex(x, y));
      return i < FPalette.size() ? FPalette[i] : clBlackRGB;
    }
    case TPixelFormat::pf24bit: {
      const uint8_t* p = row + size_t(x) * 3;
      return RGBColor(p[2], p[1], p[0]);
    }
    case TPixelFormat::pf32bit: {
      const uint8_t* p = row + size_t(x) * 4;
      return RGBColor(p[2], p[1], p[0]);
    }
  }
  return 0;
}

uint8_t TBitmap::GetAlpha(int x, int y) const {
  return FFormat == TPixelFormat::pf32bit ? ScanLine(y)[size_t(x) * 4 + 3] : 255;
}

void TBitmap::SetPixel(int x, int y, TColor color, uint8_t alpha) {
  uint8_t* row = ScanLine(y);
  switch (FFormat) {
    case TPixelFormat::pf1bit:
    case TPixelFormat::pf8bit: SetIndex(x, y, NearestIndex(FPalette, color)); break;
    case TPixelFormat::pf24bit: {
      uint8_t* p = row + size_t(x) * 3;
      p[0] = GetBValue(color);
      p[1] = GetGValue(color);
      p[2] = GetRValue(color);
      break;
    }
    case TPixelFormat::pf32bit: {
      uint8_t* p = row + size_t(x) * 4;
      p[0] = GetBValue(color);
      p[1] = GetGValue(color);
      p[2] = GetRValue(color);
      p[3] = alpha;
      break;
    }
  }
}

void TBitmap::Fill(TColor color) {
  if (FFormat == TPixelFormat::pf1bit || FFormat == TPixelFormat::pf8bit) {
    int i = NearestIndex(FPalette, color);
    for (int y = 0; y < FHeight; ++y)
      for (int x = 0; x < FWidth; ++x)
        SetIndex(x, y, i);
    return;
  }
  for (int y = 0; y < FHeight; ++y)
    for (int x = 0; x < FWidth; ++x)
      SetPixel(x, y, color);
}

void TBitmap::SetSize(int width, int height) {
  TBitmap n(width, height, FFormat);
  n.FPalette = FPalette;
  n.DpiX = DpiX;
  n.DpiY = DpiY;
  size_t rowBytes = std::min(n.FStride, FStride);
  if (FFormat == TPixelFormat::pf1bit && width < FWidth)
    rowBytes = std::min(rowBytes, (size_t(width) + 7) / 8);
  for (int y = 0; y < std::min(height, FHeight); ++y)
    std::memcpy(n.ScanLine(y), ScanLine(y), rowBytes);
  // Bits of a 1-bit row beyond the new width stay zero.
  if (FFormat == TPixelFormat::pf1bit && width < FWidth && (width & 7))
    for (int y = 0; y < std::min(height, FHeight); ++y)
      n.ScanLine(y)[width >> 3] &= uint8_t(0xFF00 >> (width & 7));
  *this = std::move(n);
}

TBitmap TBitmap::Converted(TPixelFormat format) const {
  if (format == FFormat)
    return *this;
  if (format == TPixelFormat::pf8bit)
    return ReduceTo256Colors(*this);
  TBitmap out(FWidth, FHeight, format);
  out.DpiX = DpiX;
  out.DpiY = DpiY;
  for (int y = 0; y < FHeight; ++y)
    for (int x = 0; x < FWidth; ++x) {
      TColor c = GetPixel(x, y);
      if (format == TPixelFormat::pf1bit) {
        int lum = (GetRValue(c) * 299 + GetGValue(c) * 587 + GetBValue(c) * 114) / 1000;
        out.SetIndex(x, y, lum >= 128 ? 1 : 0);
      } else {
        out.SetPixel(x, y, c, GetAlpha(x, y));
      }
    }
  return out;
}

std::vector<uint8_t> TBitmap::DIBits() const {
  std::vector<uint8_t> v;
  size_t image = FStride * size_t(FHeight);
  v.reserve(40 + FPalette.size() * 4 + image);
  auto ppm = [](double dpi) { return uint32_t(dpi > 0 ? int64_t(dpi / 0.0254 + 0.5) : 0); };
  Put32(v, 40);
  Put32(v, uint32_t(FWidth));
  Put32(v, uint32_t(FHeight));
  Put16(v, 1);
  Put16(v, uint16_t(BitsPerPixel()));
  Put32(v, 0);  // uncompressed
  Put32(v, uint32_t(image));
  Put32(v, ppm(DpiX));
  Put32(v, ppm(DpiY));
  bool paletted = FFormat == TPixelFormat::pf1bit || FFormat == TPixelFormat::pf8bit;
  Put32(v, paletted ? uint32_t(FPalette.size()) : 0);
  Put32(v, 0);
  if (paletted)
    for (TColor c : FPalette) {
      v.push_back(GetBValue(c));
      v.push_back(GetGValue(c));
      v.push_back(GetRValue(c));
      v.push_back(0);
    }
  for (int y = FHeight - 1; y >= 0; --y)
    v.insert(v.end(), ScanLine(y), ScanLine(y) + FStride);
  return v;
}

namespace {

struct TEntry {
  TColor Color;
  uint32_t Count;
};

struct TBox {
  size_t Begin, End;  // entries [Begin, End)
  int Channel;        // widest channel: 0 red, 1 green, 2 blue
  int Range;          // its extent
};

uint8_t Channel(TColor c, int ch) { return uint8_t(c >> (8 * ch)); }

TBox Measure(const std::vector<TEntry>& e, size_t b, size_t end) {
  int lo[3] = {255, 255, 255}, hi[3] = {0, 0, 0};
  for (size_t i = b; i < end; ++i)
    for (int ch = 0; ch < 3; ++ch) {
      int v = Channel(e[i].Color, ch);
      lo[ch] = std::min(lo[ch], v);
      hi[ch] = std::max(hi[ch], v);
    }
  TBox box{b, end, 0, hi[0] - lo[0]};
  for (int ch = 1; ch < 3; ++ch)
    if (hi[ch] - lo[ch] > box.Range) {
      box.Channel = ch;
      box.Range = hi[ch] - lo[ch];
    }
  return box;
}

std::vector<TColor> MedianCut(std::vector<TEntry> entries) {
  std::vector<TBox> boxes{Measure(entries, 0, entries.size())};
  while (boxes.size() < 256) {
    // Split the box spread widest along one channel; the earliest on ties.
    size_t pick = boxes.size();
    for (size_t i = 0; i < boxes.size(); ++i)
      if (boxes[i].End - boxes[i].Begin > 1 && (pick == boxes.size() || boxes[i].Range > boxes[pick].Range))
        pick = i;
    if (pick == boxes.size())
      break;
    TBox box = boxes[pick];
    int ch = box.Channel;
    std::sort(entries.begin() + std::ptrdiff_t(box.Begin), entries.begin() + std::ptrdiff_t(box.End),
              [ch](const TEntry& a, const TEntry& b) {
                uint8_t va = Channel(a.Color, ch), vb = Channel(b.Color, ch);
                return va != vb ? va < vb : a.Color < b.Color;
              });
    uint64_t total = 0;
    for (size_t i = box.Begin; i < box.End; ++i)
      total += entries[i].Count;
    // Weighted median, keeping at least one colour on each side.
    uint64_t acc = 0;
    size_t cut = box.Begin + 1;
    for (size_t i = box.Begin; i + 1 < box.End; ++i) {
      acc += entries[i].Count;
      cut = i + 1;
      if (acc * 2 >= total)
        break;
    }
    boxes[pick] = Measure(entries, box.Begin, cut);
    boxes.push_back(Measure(entries, cut, box.End));
  }
  std::vector<TColor> palette;
  for (const TBox& b : boxes) {
    uint64_t sum[3] = {0, 0, 0}, n = 0;
    for (size_t i = b.Begin; i < b.End; ++i) {
      for (int ch = 0; ch < 3; ++ch)
        sum[ch] += uint64_t(Channel(entries[i].Color, ch)) * entries[i].Count;
      n += entries[i].Count;
    }
    palette.push_back(RGBColor(uint8_t((sum[0] + n / 2) / n), uint8_t((sum[1] + n / 2) / n),
                               uint8_t((sum[2] + n / 2) / n)));
  }
  return palette;
}

}  // namespace

TBitmap ReduceTo256Colors(const TBitmap& src) {
  TBitmap out(src.Width(), src.Height(), TPixelFormat::pf8bit);
  out.DpiX = src.DpiX;
  out.DpiY = src.DpiY;
  std::unordered_map<TColor, uint32_t> index;  // colour -> first-appearance order, then counts
  std::vector<TEntry> entries;
  for (int y = 0; y < src.Height(); ++y)
    for (int x = 0; x < src.Width(); ++x) {
      TColor c = src.GetPixel(x, y);
      auto [it, added] = index.try_emplace(c, uint32_t(entries.size()));
      if (added)
        entries.push_back(TEntry{c, 0});
      ++entries[it->second].Count;
    }
  std::vector<TColor> palette;
  std::unordered_map<TColor, uint32_t> mapping;
  if (entries.size() <= 256) {
    for (const TEntry& e : entries)
      palette.push_back(e.Color);
    mapping = std::move(index);
  } else {
    std::vector<TEntry> sorted = entries;
    std::sort(sorted.begin(), sorted.end(), [](const TEntry& a, const TEntry& b) { return a.Color < b.Color; });
    palette = MedianCut(std::move(sorted));
    for (const TEntry& e : entries)
      mapping.emplace(e.Color, uint32_t(NearestIndex(palette, e.Color)));
  }
  if (palette.empty())
    palette.push_back(clBlackRGB);
  out.SetPalette(palette);
  for (int y = 0; y < src.Height(); ++y)
    for (int x = 0; x < src.Width(); ++x)
      out.SetIndex(x, y, int(mapping.at(src.GetPixel(x, y))));
  return out;
}
