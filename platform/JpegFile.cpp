#include "platform/JpegFile.h"

#include "platform/ImageFile.h"

#include <algorithm>
#include <csetjmp>
#include <cstdio>
#include <cstdlib>
#include <cstring>
// jpeglib.h needs size_t and FILE declared before it.
#include <jpeglib.h>

// libjpeg reports errors through error_exit, which here jumps back with
// longjmp. The functions that call setjmp hold no object with a destructor;
// the decoder state is freed by their callers' guards.

namespace {

struct TJpegError {
  jpeg_error_mgr Mgr;
  jmp_buf Jump;
  char Message[JMSG_LENGTH_MAX];
};

void OnErrorExit(j_common_ptr info) {
  auto* err = reinterpret_cast<TJpegError*>(info->err);
  (*info->err->format_message)(info, err->Message);
  longjmp(err->Jump, 1);
}

// A corrupt or truncated stream only draws warnings from the decoder (it pads
// the picture with grey); we refuse such files instead.
void OnMessage(j_common_ptr info, int level) {
  if (level < 0)
    OnErrorExit(info);
}

struct TDecompressGuard {
  jpeg_decompress_struct& D;
  ~TDecompressGuard() { jpeg_destroy_decompress(&D); }
};

struct TCompressGuard {
  jpeg_compress_struct& C;
  unsigned char*& Buffer;
  ~TCompressGuard() {
    jpeg_destroy_compress(&C);
    std::free(Buffer);
  }
};

struct THeader {
  JDIMENSION Width = 0, Height = 0;
  bool Cmyk = false;
  bool Inverted = false;  // CMYK stored inverted (files with an APP14 marker)
  double DpiX = 0, DpiY = 0;
};

bool ReadHeader(jpeg_decompress_struct& d, TJpegError& err, const uint8_t* data, size_t size, THeader& h) {
  if (setjmp(err.Jump))
    return false;
  jpeg_create_decompress(&d);
  d.mem->max_memory_to_use = 512L << 20;
  jpeg_mem_src(&d, data, (unsigned long)size);
  jpeg_read_header(&d, TRUE);
  if (d.jpeg_color_space == JCS_CMYK || d.jpeg_color_space == JCS_YCCK) {
    d.out_color_space = JCS_CMYK;
    h.Cmyk = true;
    h.Inverted = d.saw_Adobe_marker;
  } else {
    d.out_color_space = JCS_EXT_BGR;
  }
  h.Width = d.image_width;
  h.Height = d.image_height;
  if (d.density_unit == 1) {
    h.DpiX = d.X_density;
    h.DpiY = d.Y_density;
  } else if (d.density_unit == 2) {
    h.DpiX = d.X_density * 2.54;
    h.DpiY = d.Y_density * 2.54;
  }
  return true;
}

// rows: one pointer per output row; scratch: a CMYK row when converting.
bool ReadRows(jpeg_decompress_struct& d, TJpegError& err, unsigned char** rows, unsigned char* scratch,
              bool cmyk, bool inverted) {
  if (setjmp(err.Jump))
    return false;
  jpeg_start_decompress(&d);
  if (d.output_width != d.image_width || d.output_height != d.image_height ||
      d.output_components != (cmyk ? 4 : 3)) {
    std::snprintf(err.Message, sizeof(err.Message), "unexpected decoder output");
    return false;
  }
  while (d.output_scanline < d.output_height) {
    JDIMENSION y = d.output_scanline;
    unsigned char* target = cmyk ? scratch : rows[y];
    jpeg_read_scanlines(&d, &target, 1);
    if (cmyk) {
      unsigned char* out = rows[y];
      for (JDIMENSION x = 0; x < d.output_width; ++x) {
        unsigned c = scratch[4 * x], m = scratch[4 * x + 1], yy = scratch[4 * x + 2], k = scratch[4 * x + 3];
        if (!inverted) {
          c = 255 - c, m = 255 - m, yy = 255 - yy, k = 255 - k;
        }
        // Inverted values are amounts of white: channel = value * k / 255.
        out[3 * x + 0] = (unsigned char)((yy * k + 127) / 255);
        out[3 * x + 1] = (unsigned char)((m * k + 127) / 255);
        out[3 * x + 2] = (unsigned char)((c * k + 127) / 255);
      }
    }
  }
  jpeg_finish_decompress(&d);
  return true;
}

bool WriteAll(jpeg_compress_struct& c, TJpegError& err, unsigned char** buffer, unsigned long* size, int width,
              int height, int quality, double dpiX, double dpiY, unsigned char** rows) {
  if (setjmp(err.Jump))
    return false;
  jpeg_create_compress(&c);
  jpeg_mem_dest(&c, buffer, size);
  c.image_width = JDIMENSION(width);
  c.image_height = JDIMENSION(height);
  c.input_components = 3;
  c.in_color_space = JCS_EXT_BGR;
  jpeg_set_defaults(&c);
  jpeg_set_quality(&c, quality, TRUE);
  if (dpiX > 0 && dpiY > 0) {
    c.density_unit = 1;
    c.X_density = UINT16(std::clamp(dpiX + 0.5, 1.0, 65535.0));
    c.Y_density = UINT16(std::clamp(dpiY + 0.5, 1.0, 65535.0));
  }
  jpeg_start_compress(&c, TRUE);
  while (c.next_scanline < c.image_height)
    jpeg_write_scanlines(&c, &rows[c.next_scanline], 1);
  jpeg_finish_compress(&c);
  return true;
}

[[noreturn]] void Fail(const char* why) { throw EImageError(std::string("JPEG image: ") + why); }

}  // namespace

TBitmap ReadJpeg(TStream& stream) {
  std::string bytes = ReadImageInput(stream, "JPEG");
  if (bytes.size() < 3 || uint8_t(bytes[0]) != 0xFF || uint8_t(bytes[1]) != 0xD8)
    Fail("not a JPEG file");
  jpeg_decompress_struct d;
  TJpegError err;
  std::memset(&d, 0, sizeof(d));
  std::memset(&err, 0, sizeof(err));
  d.err = jpeg_std_error(&err.Mgr);
  err.Mgr.error_exit = OnErrorExit;
  err.Mgr.emit_message = OnMessage;
  TDecompressGuard guard{d};
  THeader h;
  if (!ReadHeader(d, err, reinterpret_cast<const uint8_t*>(bytes.data()), bytes.size(), h))
    Fail(err.Message);
  if (h.Width == 0 || h.Height == 0 || h.Width > unsigned(TBitmap::MaxDimension) ||
      h.Height > unsigned(TBitmap::MaxDimension) || int64_t(h.Width) * h.Height > TBitmap::MaxPixels)
    Fail("unsupported picture size");
  TBitmap bmp(int(h.Width), int(h.Height), TPixelFormat::pf24bit);
  bmp.DpiX = h.DpiX;
  bmp.DpiY = h.DpiY;
  std::vector<unsigned char*> rows(h.Height);
  for (JDIMENSION y = 0; y < h.Height; ++y)
    rows[y] = bmp.ScanLine(int(y));
  std::vector<unsigned char> scratch(h.Cmyk ? size_t(h.Width) * 4 : 0);
  if (!ReadRows(d, err, rows.data(), scratch.data(), h.Cmyk, h.Inverted))
    Fail(err.Message);
  return bmp;
}

void WriteJpeg(TStream& stream, const TBitmap& bitmap, int quality) {
  if (bitmap.Empty())
    Fail("cannot write an empty picture");
  TBitmap rgb(bitmap.Width(), bitmap.Height(), TPixelFormat::pf24bit);
  for (int y = 0; y < bitmap.Height(); ++y)
    for (int x = 0; x < bitmap.Width(); ++x) {
      TColor col = bitmap.GetPixel(x, y);
      unsigned a = bitmap.GetAlpha(x, y);
      auto over = [a](unsigned v) { return uint8_t((v * a + 255 * (255 - a) + 127) / 255); };
      rgb.SetPixel(x, y, RGBColor(over(GetRValue(col)), over(GetGValue(col)), over(GetBValue(col))));
    }
  jpeg_compress_struct c;
  TJpegError err;
  std::memset(&c, 0, sizeof(c));
  std::memset(&err, 0, sizeof(err));
  c.err = jpeg_std_error(&err.Mgr);
  err.Mgr.error_exit = OnErrorExit;
  unsigned char* buffer = nullptr;
  unsigned long size = 0;
  TCompressGuard guard{c, buffer};
  std::vector<unsigned char*> rows(size_t(rgb.Height()));
  for (int y = 0; y < rgb.Height(); ++y)
    rows[size_t(y)] = rgb.ScanLine(y);
  if (!WriteAll(c, err, &buffer, &size, rgb.Width(), rgb.Height(), std::clamp(quality, 0, 100), bitmap.DpiX,
                bitmap.DpiY, rows.data()))
    Fail(err.Message);
  stream.WriteBuffer(buffer, size);
}
