#include "platform/PngFile.h"

#include "platform/ImageFile.h"

#include <csetjmp>
#include <cstdio>
#include <cstring>
#include <png.h>

// libpng reports errors by longjmp. The functions that call setjmp hold no
// object with a destructor, and libpng's state is freed by the guards of
// their callers, so jumping out leaks nothing and skips no destructor.

namespace {

struct TPngContext {
  png_structp Png = nullptr;
  png_infop Info = nullptr;
  const uint8_t* Data = nullptr;  // input
  size_t Size = 0;
  size_t Pos = 0;
  std::string* Out = nullptr;  // output
  char Error[200] = "";
};

void OnError(png_structp png, png_const_charp msg) {
  auto* ctx = static_cast<TPngContext*>(png_get_error_ptr(png));
  std::snprintf(ctx->Error, sizeof(ctx->Error), "%s", msg ? msg : "unknown error");
  png_longjmp(png, 1);
}

void OnWarning(png_structp, png_const_charp) {}

void OnRead(png_structp png, png_bytep buf, size_t n) {
  auto* ctx = static_cast<TPngContext*>(png_get_io_ptr(png));
  if (n > ctx->Size - ctx->Pos)
    png_error(png, "the file is truncated");
  std::memcpy(buf, ctx->Data + ctx->Pos, n);
  ctx->Pos += n;
}

void OnWrite(png_structp png, png_bytep buf, size_t n) {
  auto* ctx = static_cast<TPngContext*>(png_get_io_ptr(png));
  try {
    ctx->Out->append(reinterpret_cast<const char*>(buf), n);
  } catch (...) {
    png_error(png, "out of memory");
  }
}

void OnFlush(png_structp) {}

struct TReadGuard {
  TPngContext& C;
  ~TReadGuard() { png_destroy_read_struct(&C.Png, &C.Info, nullptr); }
};

struct TWriteGuard {
  TPngContext& C;
  ~TWriteGuard() { png_destroy_write_struct(&C.Png, &C.Info); }
};

struct THeader {
  png_uint_32 Width = 0, Height = 0;
  int Channels = 0;
  bool HasDpi = false;
  double DpiX = 0, DpiY = 0;
};

// Reads the header and sets up the conversion to 8-bit blue, green, red
// (and alpha). Only trivially destructible locals: see above.
bool ReadHeader(TPngContext& c, THeader& h) {
  if (setjmp(png_jmpbuf(c.Png)))
    return false;
  png_set_read_fn(c.Png, &c, OnRead);
  png_set_user_limits(c.Png, TBitmap::MaxDimension, TBitmap::MaxDimension);
  png_set_chunk_malloc_max(c.Png, 16u << 20);
  png_set_chunk_cache_max(c.Png, 1000);
  png_read_info(c.Png, c.Info);
  int colorType = png_get_color_type(c.Png, c.Info);
  int depth = png_get_bit_depth(c.Png, c.Info);
  if (colorType == PNG_COLOR_TYPE_PALETTE)
    png_set_palette_to_rgb(c.Png);
  if (colorType == PNG_COLOR_TYPE_GRAY && depth < 8)
    png_set_expand_gray_1_2_4_to_8(c.Png);
  if (png_get_valid(c.Png, c.Info, PNG_INFO_tRNS))
    png_set_tRNS_to_alpha(c.Png);
  if (depth == 16)
    png_set_strip_16(c.Png);
  if (colorType == PNG_COLOR_TYPE_GRAY || colorType == PNG_COLOR_TYPE_GRAY_ALPHA)
    png_set_gray_to_rgb(c.Png);
  png_set_bgr(c.Png);
  png_set_interlace_handling(c.Png);
  png_read_update_info(c.Png, c.Info);
  h.Width = png_get_image_width(c.Png, c.Info);
  h.Height = png_get_image_height(c.Png, c.Info);
  h.Channels = png_get_channels(c.Png, c.Info);
  png_uint_32 rx = 0, ry = 0;
  int unit = 0;
  if (png_get_pHYs(c.Png, c.Info, &rx, &ry, &unit) && unit == PNG_RESOLUTION_METER) {
    h.HasDpi = true;
    h.DpiX = rx * 0.0254;
    h.DpiY = ry * 0.0254;
  }
  return true;
}

bool ReadRows(TPngContext& c, png_bytepp rows) {
  if (setjmp(png_jmpbuf(c.Png)))
    return false;
  png_read_image(c.Png, rows);
  png_read_end(c.Png, nullptr);
  return true;
}

struct TWriteParams {
  png_uint_32 Width, Height;
  int Depth, ColorType;
  png_colorp Palette;
  int PaletteSize;
  bool Bgr;
  png_uint_32 PpmX, PpmY;
};

bool WriteAll(TPngContext& c, const TWriteParams& p, png_bytepp rows) {
  if (setjmp(png_jmpbuf(c.Png)))
    return false;
  png_set_write_fn(c.Png, &c, OnWrite, OnFlush);
  png_set_IHDR(c.Png, c.Info, p.Width, p.Height, p.Depth, p.ColorType, PNG_INTERLACE_NONE,
               PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
  if (p.PaletteSize > 0)
    png_set_PLTE(c.Png, c.Info, p.Palette, p.PaletteSize);
  if (p.PpmX > 0 && p.PpmY > 0)
    png_set_pHYs(c.Png, c.Info, p.PpmX, p.PpmY, PNG_RESOLUTION_METER);
  png_write_info(c.Png, c.Info);
  if (p.Bgr)
    png_set_bgr(c.Png);
  png_write_image(c.Png, rows);
  png_write_end(c.Png, c.Info);
  return true;
}

[[noreturn]] void Fail(const char* why) { throw EImageError(std::string("PNG image: ") + why); }

}  // namespace

TBitmap ReadPng(TStream& stream) {
  std::string bytes = ReadImageInput(stream, "PNG");
  if (bytes.size() < 8 || png_sig_cmp(reinterpret_cast<png_const_bytep>(bytes.data()), 0, 8) != 0)
    Fail("not a PNG file");
  TPngContext c;
  c.Data = reinterpret_cast<const uint8_t*>(bytes.data());
  c.Size = bytes.size();
  c.Png = png_create_read_struct(PNG_LIBPNG_VER_STRING, &c, OnError, OnWarning);
  TReadGuard guard{c};
  if (!c.Png || !(c.Info = png_create_info_struct(c.Png)))
    Fail("out of memory");
  THeader h;
  if (!ReadHeader(c, h))
    Fail(c.Error);
  if (h.Channels != 3 && h.Channels != 4)
    Fail("unexpected channel count");
  if (int64_t(h.Width) * h.Height > TBitmap::MaxPixels)
    Fail("the picture is too large");
  TBitmap bmp(int(h.Width), int(h.Height), h.Channels == 4 ? TPixelFormat::pf32bit : TPixelFormat::pf24bit);
  if (h.HasDpi) {
    bmp.DpiX = h.DpiX;
    bmp.DpiY = h.DpiY;
  }
  std::vector<png_bytep> rows(h.Height);
  for (png_uint_32 y = 0; y < h.Height; ++y)
    rows[y] = bmp.ScanLine(int(y));
  if (!ReadRows(c, rows.data()))
    Fail(c.Error);
  return bmp;
}

void WritePng(TStream& stream, const TBitmap& bitmap) {
  if (bitmap.Empty())
    Fail("cannot write an empty picture");
  TPngContext c;
  std::string out;
  c.Out = &out;
  c.Png = png_create_write_struct(PNG_LIBPNG_VER_STRING, &c, OnError, OnWarning);
  TWriteGuard guard{c};
  if (!c.Png || !(c.Info = png_create_info_struct(c.Png)))
    Fail("out of memory");
  TWriteParams p{};
  p.Width = png_uint_32(bitmap.Width());
  p.Height = png_uint_32(bitmap.Height());
  std::vector<png_color> palette;
  switch (bitmap.PixelFormat()) {
    case TPixelFormat::pf24bit:
      p.Depth = 8, p.ColorType = PNG_COLOR_TYPE_RGB, p.Bgr = true;
      break;
    case TPixelFormat::pf32bit:
      p.Depth = 8, p.ColorType = PNG_COLOR_TYPE_RGB_ALPHA, p.Bgr = true;
      break;
    case TPixelFormat::pf1bit:
    case TPixelFormat::pf8bit:
      p.Depth = bitmap.PixelFormat() == TPixelFormat::pf1bit ? 1 : 8;
      p.ColorType = PNG_COLOR_TYPE_PALETTE;
      for (TColor col : bitmap.Palette())
        palette.push_back(png_color{GetRValue(col), GetGValue(col), GetBValue(col)});
      // Every index a pixel can hold needs an entry.
      palette.resize(size_t(1) << p.Depth, png_color{0, 0, 0});
      p.Palette = palette.data();
      p.PaletteSize = int(palette.size());
      break;
  }
  p.PpmX = png_uint_32(bitmap.DpiX > 0 ? bitmap.DpiX / 0.0254 + 0.5 : 0);
  p.PpmY = png_uint_32(bitmap.DpiY > 0 ? bitmap.DpiY / 0.0254 + 0.5 : 0);
  std::vector<png_bytep> rows(p.Height);
  for (png_uint_32 y = 0; y < p.Height; ++y)
    rows[y] = const_cast<png_bytep>(bitmap.ScanLine(int(y)));
  if (!WriteAll(c, p, rows.data()))
    Fail(c.Error);
  stream.WriteBuffer(out.data(), out.size());
}
