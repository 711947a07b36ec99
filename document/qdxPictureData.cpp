#include "document/qdxPictureData.h"

#include "document/qdxClassBuilder.h"

const TqdxClassInfo& TqdxPictureData::StaticClassInfo() {
  static const TqdxClassInfo& info =
      qdxDefineClass<TqdxPictureData>("TqdxPictureData", &TqdxPersistent::StaticClassInfo(), nullptr);
  return info;
}

namespace {

uint32_t ReadLE32(std::string_view b, size_t at) {
  return static_cast<uint32_t>(static_cast<uint8_t>(b[at])) |
         static_cast<uint32_t>(static_cast<uint8_t>(b[at + 1])) << 8 |
         static_cast<uint32_t>(static_cast<uint8_t>(b[at + 2])) << 16 |
         static_cast<uint32_t>(static_cast<uint8_t>(b[at + 3])) << 24;
}

void AppendLE32(std::string& out, uint32_t v) {
  for (int i = 0; i < 4; ++i) out.push_back(static_cast<char>((v >> (8 * i)) & 0xFF));
}

const char* GraphicClassName(TqdxGraphicKind kind) {
  switch (kind) {
    case TqdxGraphicKind::gkBitmap: return "TBitmap";
    case TqdxGraphicKind::gkJPEG: return "TJPEGImage";
    case TqdxGraphicKind::gkPNG: return "TPNGObject";
    case TqdxGraphicKind::gkMetafile:
    case TqdxGraphicKind::gkWMF: return "TMetafile";
    case TqdxGraphicKind::gkIcon: return "TIcon";
    case TqdxGraphicKind::gkNone: break;
  }
  return "";
}

}  // namespace

TqdxGraphicKind qdxDetectGraphicKind(std::string_view b) {
  if (b.size() >= 2 && b[0] == 'B' && b[1] == 'M') return TqdxGraphicKind::gkBitmap;
  if (b.size() >= 2 && static_cast<uint8_t>(b[0]) == 0xFF && static_cast<uint8_t>(b[1]) == 0xD8)
    return TqdxGraphicKind::gkJPEG;
  if (b.substr(0, 8) == std::string_view("\x89PNG\r\n\x1A\n", 8)) return TqdxGraphicKind::gkPNG;
  if (b.size() >= 4 && ReadLE32(b, 0) == 2596720087u) return TqdxGraphicKind::gkWMF;
  if (b.size() >= 44 && b.substr(40, 4) == " EMF") return TqdxGraphicKind::gkMetafile;
  if (b.size() >= 4 && (static_cast<uint8_t>(b[2]) | static_cast<uint8_t>(b[3]) << 8) < 2)
    return TqdxGraphicKind::gkIcon;
  return TqdxGraphicKind::gkNone;
}

void TqdxPictureData::Clear() {
  FKind = TqdxGraphicKind::gkNone;
  FBytes.clear();
}

void TqdxPictureData::SetGraphic(TqdxGraphicKind kind, std::string bytes) {
  FKind = kind;
  FBytes = kind == TqdxGraphicKind::gkNone ? std::string() : std::move(bytes);
}

bool TqdxPictureData::LoadFromFileBytes(std::string_view bytes) {
  if (bytes.size() >= 8 && bytes.substr(0, 4) == std::string_view("\x01\x00\x00\x01", 4) &&
      ReadLE32(bytes, 4) == bytes.size() - 8)
    bytes.remove_prefix(8);
  TqdxGraphicKind kind = qdxDetectGraphicKind(bytes);
  SetGraphic(kind, std::string(bytes));
  return kind != TqdxGraphicKind::gkNone;
}

std::string TqdxPictureData::EncodeData() const {
  if (Empty()) return {};
  std::string cls = GraphicClassName(FKind);
  std::string out;
  out.push_back(static_cast<char>(cls.size()));
  out += cls;
  switch (FKind) {
    case TqdxGraphicKind::gkBitmap:
    case TqdxGraphicKind::gkJPEG: AppendLE32(out, static_cast<uint32_t>(FBytes.size())); break;
    case TqdxGraphicKind::gkMetafile:
    case TqdxGraphicKind::gkWMF: AppendLE32(out, static_cast<uint32_t>(FBytes.size() + 4)); break;
    default: break;
  }
  out += FBytes;
  return out;
}

bool TqdxPictureData::DecodeData(std::string_view data) {
  Clear();
  if (data.empty()) return false;
  size_t n = static_cast<uint8_t>(data[0]);
  if (n > 63 || data.size() < 1 + n) return false;
  std::string_view cls = data.substr(1, n);
  std::string_view rest = data.substr(1 + n);
  auto withLength = [&](uint32_t extra) -> std::string_view {
    if (rest.size() < 4) return {};
    uint32_t len = ReadLE32(rest, 0);
    // A length beyond the data (or one that cannot count itself) is malformed.
    if (len < extra || len - extra > rest.size() - 4) return {};
    return rest.substr(4, len - extra);
  };
  TqdxGraphicKind kind = TqdxGraphicKind::gkNone;
  std::string_view bytes;
  if (qdxSameText(cls, "TBitmap")) {
    kind = TqdxGraphicKind::gkBitmap;
    bytes = withLength(0);
  } else if (qdxSameText(cls, "TJPEGImage")) {
    kind = TqdxGraphicKind::gkJPEG;
    bytes = withLength(0);
  } else if (qdxSameText(cls, "TMetafile")) {
    bytes = withLength(4);
    kind = qdxDetectGraphicKind(bytes) == TqdxGraphicKind::gkMetafile ? TqdxGraphicKind::gkMetafile
                                                                       : TqdxGraphicKind::gkWMF;
  } else if (qdxSameText(cls, "TPNGObject") || qdxSameText(cls, "TPngImage")) {
    kind = TqdxGraphicKind::gkPNG;
    bytes = rest;
  } else if (qdxSameText(cls, "TIcon")) {
    kind = TqdxGraphicKind::gkIcon;
    bytes = rest;
  }
  if (kind == TqdxGraphicKind::gkNone || bytes.empty()) return false;
  SetGraphic(kind, std::string(bytes));
  return true;
}

void TqdxPictureData::Assign(const TqdxPersistent& source) {
  if (const auto* p = dynamic_cast<const TqdxPictureData*>(&source)) {
    FKind = p->FKind;
    FBytes = p->FBytes;
  } else {
    TqdxPersistent::Assign(source);
  }
}

void TqdxPictureData::WriteBinaryProperties(std::vector<TqdxBinaryProperty>& out) const {
  if (!Empty()) out.push_back({"Data", EncodeData()});
}

bool TqdxPictureData::ReadBinaryProperty(const std::string& name, std::string_view data) {
  if (name != "Data") return false;
  DecodeData(data);
  return true;
}
