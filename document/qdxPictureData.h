#pragma once
// A picture held undecoded: the graphic's own file bytes and what kind of
// graphic they are. Its binary-defined property "Data" is the stored form.

#include "document/qdxTypInfo.h"

#include <string>
#include <string_view>

enum class TqdxGraphicKind : uint8_t {
  gkNone,
  gkBitmap,    // BMP file
  gkJPEG,
  gkPNG,
  gkMetafile,  // enhanced metafile
  gkWMF,       // Windows metafile (placeable or not)
  gkIcon,
};

class TqdxPictureData : public TqdxPersistent {
public:
  QDX_CLASS(TqdxPictureData)

  TqdxGraphicKind Kind() const { return FKind; }
  // The graphic's own file form (BMP, JPEG, PNG, metafile or icon bytes).
  const std::string& Bytes() const { return FBytes; }
  bool Empty() const { return FKind == TqdxGraphicKind::gkNone; }
  void Clear();
  void SetGraphic(TqdxGraphicKind kind, std::string bytes);
  // Takes file bytes whose kind is detected from their start (an 8-byte
  // header 01 00 00 01 + length of the rest is skipped). Unknown bytes leave
  // the picture empty; returns whether a graphic was recognised.
  bool LoadFromFileBytes(std::string_view bytes);

  // The value of the "Data" property: the graphic's class name as a short
  // string, then its data. Empty for an empty picture.
  std::string EncodeData() const;
  // Reads such a value; malformed data leaves the picture empty and returns
  // false.
  bool DecodeData(std::string_view data);

  void Assign(const TqdxPersistent& source) override;
  void WriteBinaryProperties(std::vector<TqdxBinaryProperty>& out) const override;
  bool ReadBinaryProperty(const std::string& name, std::string_view data) override;

private:
  TqdxGraphicKind FKind = TqdxGraphicKind::gkNone;
  std::string FBytes;
};

// Kind of graphic file bytes; gkNone when not recognised.
TqdxGraphicKind qdxDetectGraphicKind(std::string_view bytes);
