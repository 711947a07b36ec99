#include "document/qdxPictureData.h"

#include "document/qdxUtils.h"

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

// One recogniser serves the model and the picture cache: the kind follows
// from the class name the bytes are stored under.
static TqdxGraphicKind KindOf(const TqdxPictureFormat& f) {
  if (f.ClassName == "TBitmap") return TqdxGraphicKind::gkBitmap;
  if (f.ClassName == "TJPEGImage") return TqdxGraphicKind::gkJPEG;
  if (f.ClassName == "TPNGObject") return TqdxGraphicKind::gkPNG;
  if (f.ClassName == "TIcon") return TqdxGraphicKind::gkIcon;
  if (f.ClassName == "TMetafile") return f.Enhanced ? TqdxGraphicKind::gkMetafile : TqdxGraphicKind::gkWMF;
  return TqdxGraphicKind::gkNone;
}

TqdxGraphicKind qdxDetectGraphicKind(std::string_view b) { return KindOf(qdxDetectPictureFormat(b)); }

void TqdxPictureData::Clear() {
  FKind = TqdxGraphicKind::gkNone;
  FBytes.clear();
}

void TqdxPictureData::SetGraphic(TqdxGraphicKind kind, std::string bytes) {
  FKind = kind;
  FBytes = kind == TqdxGraphicKind::gkNone ? std::string() : std::move(bytes);
}

bool TqdxPictureData::LoadFromFileBytes(std::string_view bytes) {
  const TqdxPictureFormat format = qdxDetectPictureFormat(bytes);
  const TqdxGraphicKind kind = KindOf(format);
  SetGraphic(kind, std::string(bytes.substr(format.PayloadOffset)));
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
