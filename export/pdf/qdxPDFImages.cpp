#include "export/pdf/qdxPDFImages.h"

#include "export/pdf/qdxExportPDFHelpers.h"

#include <algorithm>
#include <csetjmp>
#include <cstdio>
#include <cstdlib>
#include <jpeglib.h>

namespace {

struct TJpegError {
  jpeg_error_mgr Manager;
  std::jmp_buf Jump;
  char Message[JMSG_LENGTH_MAX];
};

void JpegErrorExit(j_common_ptr info) {
  auto* err = reinterpret_cast<TJpegError*>(info->err);
  info->err->format_message(info, err->Message);
  std::longjmp(err->Jump, 1);
}

void AddInt(TqdxMD5& md5, uint32_t v) {
  uint8_t b[4] = {uint8_t(v), uint8_t(v >> 8), uint8_t(v >> 16), uint8_t(v >> 24)};
  md5.Update(b, 4);
}

// Runs the compressor; kept free of C++ objects with destructors because the
// error path leaves it through longjmp.
bool Compress(const TqdxPDFPixels& pixels, int quality, unsigned char** out, unsigned long* size,
              char* message) {
  jpeg_compress_struct info;
  TJpegError err;
  info.err = jpeg_std_error(&err.Manager);
  err.Manager.error_exit = JpegErrorExit;
  if (setjmp(err.Jump)) {
    std::snprintf(message, JMSG_LENGTH_MAX, "%s", err.Message);
    jpeg_destroy_compress(&info);
    return false;
  }
  jpeg_create_compress(&info);
  jpeg_mem_dest(&info, out, size);
  info.image_width = JDIMENSION(pixels.Width);
  info.image_height = JDIMENSION(pixels.Height);
  info.input_components = 3;
  info.in_color_space = JCS_RGB;
  jpeg_set_defaults(&info);
  jpeg_set_quality(&info, quality, TRUE);
  jpeg_start_compress(&info, TRUE);
  const unsigned char* base = reinterpret_cast<const unsigned char*>(pixels.RGB.data());
  while (info.next_scanline < info.image_height) {
    JSAMPROW row = const_cast<JSAMPROW>(base + size_t(info.next_scanline) * 3 * size_t(pixels.Width));
    jpeg_write_scanlines(&info, &row, 1);
  }
  jpeg_finish_compress(&info);
  jpeg_destroy_compress(&info);
  return true;
}

void CheckSize(int width, int height, size_t rgb, size_t alpha) {
  if (width <= 0 || height <= 0 || width > 65535 || height > 65535)
    throw EPDFError("Image size out of range");
  size_t pixels = size_t(width) * size_t(height);
  if (rgb != 3 * pixels) throw EPDFError("Image colour data does not match its size");
  if (alpha != 0 && alpha != pixels) throw EPDFError("Image mask does not match its size");
}

}  // namespace

std::optional<TqdxJPEGInfo> ReadJPEGInfo(std::string_view jpeg) {
  auto byte = [&](size_t i) { return static_cast<unsigned char>(jpeg[i]); };
  if (jpeg.size() < 4 || byte(0) != 0xFF || byte(1) != 0xD8) return std::nullopt;
  size_t p = 2;
  while (p + 4 <= jpeg.size()) {
    if (byte(p) != 0xFF) return std::nullopt;
    unsigned marker = byte(p + 1);
    if (marker == 0xFF) {  // fill byte
      ++p;
      continue;
    }
    if (marker == 0xD8 || (marker >= 0xD0 && marker <= 0xD7) || marker == 0x01) {
      p += 2;
      continue;
    }
    size_t length = size_t(byte(p + 2)) << 8 | byte(p + 3);
    if (length < 2 || p + 2 + length > jpeg.size()) return std::nullopt;
    // Frame headers of the Huffman-coded processes: baseline, extended, progressive.
    if (marker == 0xC0 || marker == 0xC1 || marker == 0xC2) {
      if (length < 8) return std::nullopt;
      TqdxJPEGInfo info;
      info.Height = int(byte(p + 5)) << 8 | byte(p + 6);
      info.Width = int(byte(p + 7)) << 8 | byte(p + 8);
      info.Components = byte(p + 9);
      if (info.Width == 0 || info.Height == 0) return std::nullopt;
      return info;
    }
    if (marker == 0xD9 || marker == 0xDA) return std::nullopt;  // no frame before the data
    p += 2 + length;
  }
  return std::nullopt;
}

std::string EncodeJPEG(const TqdxPDFPixels& pixels, int quality) {
  CheckSize(pixels.Width, pixels.Height, pixels.RGB.size(), 0);
  unsigned char* out = nullptr;
  unsigned long size = 0;
  char message[JMSG_LENGTH_MAX] = {};
  bool ok = Compress(pixels, std::clamp(quality, 1, 100), &out, &size, message);
  std::string result = ok ? std::string(reinterpret_cast<char*>(out), size) : std::string();
  std::free(out);
  if (!ok) throw EPDFError(std::string("JPEG encoding failed: ") + message);
  return result;
}

void TqdxPDFImages::Clear() {
  FNumbers.clear();
  FImages.clear();
  FMasks.clear();
}

int TqdxPDFImages::WriteMask(TPDFObjectsHelper& objects, int width, int height,
                             std::string_view alpha, bool compress) {
  // Equal alpha bytes at another size are another mask.
  TqdxMD5 md5;
  AddInt(md5, uint32_t(width));
  AddInt(md5, uint32_t(height));
  md5.Update(alpha);
  auto digest = md5.Finish();
  if (auto it = FMasks.find(digest); it != FMasks.end()) return it->second;

  int n = objects.StartNewObject();
  objects.WriteLine("<< /Type /XObject");
  objects.WriteLine("/Subtype /Image");
  objects.WriteLine("/Width " + std::to_string(width));
  objects.WriteLine("/Height " + std::to_string(height));
  // No /Matte: the colour data is not premultiplied by alpha.
  objects.WriteLine("/ColorSpace /DeviceGray");
  objects.WriteLine("/BitsPerComponent 8");
  objects.WriteLine("/Interpolate false");
  objects.WriteStreamObject(alpha, {.OpenDict = false, .CloseDict = true, .Compress = compress,
                                    .Encrypt = true},
                            n);
  FMasks.emplace(digest, n);
  return n;
}

int TqdxPDFImages::WriteImage(TPDFObjectsHelper& objects, std::string_view jpeg,
                              const TqdxJPEGInfo& info, int mask) {
  int n = objects.StartNewObject();
  std::string data = objects.StreamData(jpeg, false, true, n);
  objects.WriteLine("<<");
  objects.WriteLine("/Type /XObject");
  objects.WriteLine("/Subtype /Image");
  objects.WriteLine(info.Components == 1 ? "/ColorSpace /DeviceGray" : "/ColorSpace /DeviceRGB");
  objects.WriteLine("/BitsPerComponent 8");
  objects.WriteLine("/Filter /DCTDecode");
  objects.WriteLine("/Width " + std::to_string(info.Width));
  objects.WriteLine("/Height " + std::to_string(info.Height));
  if (mask) objects.WriteLine("/SMask " + PdfRef(mask));
  objects.WriteLine("/Length " + std::to_string(data.size()));
  objects.WriteLine(">>");
  objects.WriteLine("stream");
  objects.WriteRaw(data);
  objects.WriteLine("");
  objects.WriteLine("endstream");
  objects.WriteLine("endobj");
  FNumbers.push_back(n);
  return int(FNumbers.size()) - 1;
}

int TqdxPDFImages::WritePixels(TPDFObjectsHelper& objects, const TqdxPDFPixels& pixels,
                               int quality, bool compressMask) {
  CheckSize(pixels.Width, pixels.Height, pixels.RGB.size(), pixels.Alpha.size());
  quality = std::clamp(quality, 1, 100);
  TqdxMD5 md5;
  md5.Update("P", 1);
  AddInt(md5, uint32_t(pixels.Width));
  AddInt(md5, uint32_t(pixels.Height));
  AddInt(md5, uint32_t(quality));
  AddInt(md5, uint32_t(pixels.Alpha.size()));
  md5.Update(pixels.Alpha);
  md5.Update(pixels.RGB);
  auto digest = md5.Finish();
  if (auto it = FImages.find(digest); it != FImages.end()) return it->second;

  std::string jpeg = EncodeJPEG(pixels, quality);
  int mask = pixels.Alpha.empty()
                 ? 0
                 : WriteMask(objects, pixels.Width, pixels.Height, pixels.Alpha, compressMask);
  int index = WriteImage(objects, jpeg, {pixels.Width, pixels.Height, 3}, mask);
  FImages.emplace(digest, index);
  return index;
}

int TqdxPDFImages::WriteJPEG(TPDFObjectsHelper& objects, std::string_view jpeg,
                             std::string_view alpha, bool compressMask) {
  auto info = ReadJPEGInfo(jpeg);
  if (!info) throw EPDFError("Image data is not a JPEG picture");
  if (info->Components != 1 && info->Components != 3)
    throw EPDFError("JPEG pictures with " + std::to_string(info->Components) +
                    " colour components are not supported");
  if (!alpha.empty() && alpha.size() != size_t(info->Width) * size_t(info->Height))
    throw EPDFError("Image mask does not match its size");
  TqdxMD5 md5;
  md5.Update("J", 1);
  AddInt(md5, uint32_t(alpha.size()));
  md5.Update(alpha);
  md5.Update(jpeg);
  auto digest = md5.Finish();
  if (auto it = FImages.find(digest); it != FImages.end()) return it->second;

  int mask = alpha.empty() ? 0 : WriteMask(objects, info->Width, info->Height, alpha, compressMask);
  int index = WriteImage(objects, jpeg, *info, mask);
  FImages.emplace(digest, index);
  return index;
}
