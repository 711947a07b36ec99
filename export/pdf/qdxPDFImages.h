#pragma once
// Image objects: JPEG colour data with an optional 8-bit soft mask. Each
// picture is stored once per file; the same picture drawn again (on this page
// or another) reuses its object.

#include "export/pdf/qdxmd5.h"

#include <cstdint>
#include <map>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

class TPDFObjectsHelper;

// Pixels of a picture, rows from the top.
struct TqdxPDFPixels {
  int Width = 0;
  int Height = 0;
  std::string RGB;    // red, green, blue per pixel: 3 × Width × Height bytes
  std::string Alpha;  // empty (opaque) or Width × Height bytes, 0 transparent
};

struct TqdxJPEGInfo {
  int Width = 0;
  int Height = 0;
  int Components = 0;  // 1 grey, 3 colour
};

// Size and colour components from a JPEG's frame header; nullopt when the
// bytes are not a baseline, extended or progressive JPEG.
std::optional<TqdxJPEGInfo> ReadJPEGInfo(std::string_view jpeg);
// A colour JPEG of RGB pixels at a quality from 1 to 100 (clamped).
std::string EncodeJPEG(const TqdxPDFPixels& pixels, int quality);

class TqdxPDFImages {
public:
  void Clear();

  // The index of the picture in the file's image list, writing its objects
  // (the soft mask first) when the picture is new. Pixels are told apart by
  // their size, colours, alpha and quality, so an unchanged picture is not
  // encoded again.
  int WritePixels(TPDFObjectsHelper& objects, const TqdxPDFPixels& pixels, int quality,
                  bool compressMask);
  // The same for ready JPEG data; alpha is empty or one byte per pixel.
  int WriteJPEG(TPDFObjectsHelper& objects, std::string_view jpeg, std::string_view alpha,
                bool compressMask);

  int Count() const { return int(FNumbers.size()); }
  int ObjectNumber(int index) const { return FNumbers.at(size_t(index)); }
  // Resource name of an image index: "/Im" and the index.
  static std::string ResourceName(int index) { return "/Im" + std::to_string(index); }

private:
  int WriteMask(TPDFObjectsHelper& objects, int width, int height, std::string_view alpha,
                bool compress);
  int WriteImage(TPDFObjectsHelper& objects, std::string_view jpeg, const TqdxJPEGInfo& info,
                 int mask);

  std::vector<int> FNumbers;                // object number per index
  std::map<TqdxMD5::TDigest, int> FImages;  // digest to index
  std::map<TqdxMD5::TDigest, int> FMasks;   // digest to object number
};
