#include "platform/EmfFormat.h"

#include <bit>
#include <cstring>

namespace Emf {

std::string RecordName(uint32_t type) {
  static const char* const names[] = {
      nullptr, "HEADER", "POLYBEZIER", "POLYGON", "POLYLINE", "POLYBEZIERTO", "POLYLINETO", "POLYPOLYLINE",
      "POLYPOLYGON", "SETWINDOWEXTEX", "SETWINDOWORGEX", "SETVIEWPORTEXTEX", "SETVIEWPORTORGEX",
      "SETBRUSHORGEX", "EOF", "SETPIXELV", "SETMAPPERFLAGS", "SETMAPMODE", "SETBKMODE", "SETPOLYFILLMODE",
      "SETROP2", "SETSTRETCHBLTMODE", "SETTEXTALIGN", "SETCOLORADJUSTMENT", "SETTEXTCOLOR", "SETBKCOLOR",
      "OFFSETCLIPRGN", "MOVETOEX", "SETMETARGN", "EXCLUDECLIPRECT", "INTERSECTCLIPRECT", "SCALEVIEWPORTEXTEX",
      "SCALEWINDOWEXTEX", "SAVEDC", "RESTOREDC", "SETWORLDTRANSFORM", "MODIFYWORLDTRANSFORM", "SELECTOBJECT",
      "CREATEPEN", "CREATEBRUSHINDIRECT", "DELETEOBJECT", "ANGLEARC", "ELLIPSE", "RECTANGLE", "ROUNDRECT",
      "ARC", "CHORD", "PIE", "SELECTPALETTE", "CREATEPALETTE", "SETPALETTEENTRIES", "RESIZEPALETTE",
      "REALIZEPALETTE", "EXTFLOODFILL", "LINETO", "ARCTO", "POLYDRAW", "SETARCDIRECTION", "SETMITERLIMIT",
      "BEGINPATH", "ENDPATH", "CLOSEFIGURE", "FILLPATH", "STROKEANDFILLPATH", "STROKEPATH", "FLATTENPATH",
      "WIDENPATH", "SELECTCLIPPATH", "ABORTPATH", nullptr, "GDICOMMENT", "FILLRGN", "FRAMERGN", "INVERTRGN",
      "PAINTRGN", "EXTSELECTCLIPRGN", "BITBLT", "STRETCHBLT", "MASKBLT", "PLGBLT", "SETDIBITSTODEVICE",
      "STRETCHDIBITS", "EXTCREATEFONTINDIRECTW", "EXTTEXTOUTA", "EXTTEXTOUTW", "POLYBEZIER16", "POLYGON16",
      "POLYLINE16", "POLYBEZIERTO16", "POLYLINETO16", "POLYPOLYLINE16", "POLYPOLYGON16", "POLYDRAW16",
      "CREATEMONOBRUSH", "CREATEDIBPATTERNBRUSHPT", "EXTCREATEPEN", "POLYTEXTOUTA", "POLYTEXTOUTW",
      "SETICMMODE", "CREATECOLORSPACE", "SETCOLORSPACE", "DELETECOLORSPACE", "GLSRECORD", "GLSBOUNDEDRECORD",
      "PIXELFORMAT", "DRAWESCAPE", "EXTESCAPE", nullptr, "SMALLTEXTOUT", "FORCEUFIMAPPING", "NAMEDESCAPE",
      "COLORCORRECTPALETTE", "SETICMPROFILEA", "SETICMPROFILEW", "ALPHABLEND", "SETLAYOUT", "TRANSPARENTBLT",
      nullptr, "GRADIENTFILL", "SETLINKEDUFIS", "SETTEXTJUSTIFICATION", "COLORMATCHTOTARGETW",
      "CREATECOLORSPACEW"};
  if (type < std::size(names) && names[type])
    return std::string("EMR_") + names[type];
  return "EMR_#" + std::to_string(type);
}

// --- reader ---

bool TEmfReader::Has(uint64_t offset, uint64_t count, uint64_t itemSize) {
  uint64_t size = FBytes.size();
  // count * itemSize cannot wrap: counts are at most 32 bits, items a few bytes.
  bool ok = offset <= size && count <= (uint64_t(1) << 40) && itemSize <= 64 && count * itemSize <= size - offset;
  if (!ok)
    FOk = false;
  return ok;
}

uint8_t TEmfReader::U8(size_t offset) {
  return Has(offset, 1) ? uint8_t(FBytes[offset]) : 0;
}

uint16_t TEmfReader::U16(size_t offset) {
  if (!Has(offset, 2))
    return 0;
  auto p = reinterpret_cast<const uint8_t*>(FBytes.data()) + offset;
  return uint16_t(p[0] | (p[1] << 8));
}

uint32_t TEmfReader::U32(size_t offset) {
  if (!Has(offset, 4))
    return 0;
  auto p = reinterpret_cast<const uint8_t*>(FBytes.data()) + offset;
  return uint32_t(p[0]) | (uint32_t(p[1]) << 8) | (uint32_t(p[2]) << 16) | (uint32_t(p[3]) << 24);
}

float TEmfReader::F32(size_t offset) {
  return std::bit_cast<float>(U32(offset));
}

std::u16string TEmfReader::Utf16(size_t offset, size_t count) {
  if (!Has(offset, count, 2))
    return {};
  std::u16string s(count, u'\0');
  for (size_t i = 0; i < count; ++i)
    s[i] = char16_t(U16(offset + 2 * i));
  return s;
}

std::string_view TEmfReader::Sub(size_t offset, size_t count) {
  if (!Has(offset, count))
    return {};
  return FBytes.substr(offset, count);
}

// --- writer ---

size_t TEmfWriter::BeginRecord(uint32_t type) {
  size_t start = FBytes.size();
  U32(type);
  U32(0);  // size, filled in by EndRecord
  return start;
}

void TEmfWriter::EndRecord(size_t start) {
  Pad4();
  PatchU32(start + 4, uint32_t(FBytes.size() - start));
}

void TEmfWriter::U16(uint16_t v) {
  FBytes.push_back(char(v & 0xFF));
  FBytes.push_back(char(v >> 8));
}

void TEmfWriter::U32(uint32_t v) {
  for (int i = 0; i < 4; ++i)
    FBytes.push_back(char((v >> (8 * i)) & 0xFF));
}

void TEmfWriter::F32(float v) {
  U32(std::bit_cast<uint32_t>(v));
}

void TEmfWriter::PatchU32(size_t offset, uint32_t v) {
  for (int i = 0; i < 4; ++i)
    FBytes[offset + size_t(i)] = char((v >> (8 * i)) & 0xFF);
}

// --- records ---

TEmfRecordList EnumerateEmfRecords(std::string_view bytes) {
  TEmfRecordList list;
  TEmfReader r(bytes);
  size_t pos = 0;
  while (true) {
    if (pos + 8 > bytes.size()) {
      list.Error = pos == bytes.size() ? "the metafile ends without EMR_EOF"
                                       : "the metafile ends inside a record at byte " + std::to_string(pos);
      break;
    }
    uint32_t type = r.U32(pos);
    uint32_t size = r.U32(pos + 4);
    if (size < 8 || size % 4 != 0 || size > bytes.size() - pos) {
      list.Error = "record " + std::to_string(list.Records.size()) + " (" + RecordName(type) + ") at byte " +
                   std::to_string(pos) + " has the invalid size " + std::to_string(size);
      break;
    }
    if (list.Records.empty()) {
      if (type != EMR_HEADER || size < Header::BaseSize || r.U32(pos + Header::Signature) != HeaderSignature) {
        list.Error = "not an enhanced metafile";
        break;
      }
    }
    list.Records.push_back(TEmfRecord{type, pos, bytes.substr(pos, size)});
    pos += size;
    if (type == EMR_EOF)
      break;
  }
  return list;
}

std::optional<TEmfHeader> ParseEmfHeader(std::string_view record) {
  TEmfReader r(record);
  if (r.U32(0) != EMR_HEADER || r.Size() < Header::BaseSize || r.U32(Header::Signature) != HeaderSignature)
    return std::nullopt;
  TEmfHeader h;
  h.Bounds = r.RectL(Header::Bounds);
  h.Frame = r.RectL(Header::Frame);
  h.Version = r.U32(Header::Version);
  h.Bytes = r.U32(Header::Bytes);
  h.Records = r.U32(Header::Records);
  h.Handles = r.U16(Header::Handles);
  h.PalEntries = r.U32(Header::nPalEntries);
  h.DeviceCx = r.I32(Header::Device);
  h.DeviceCy = r.I32(Header::Device + 4);
  h.MillimetersCx = r.I32(Header::Millimeters);
  h.MillimetersCy = r.I32(Header::Millimeters + 4);
  uint32_t nDescription = r.U32(Header::nDescription);
  uint32_t offDescription = r.U32(Header::offDescription);
  // The extensions are there when the header is long enough for them and the
  // description (if any) starts after them.
  auto hasExtension = [&](size_t end) {
    return r.Size() >= end && (nDescription == 0 || offDescription >= end);
  };
  if (hasExtension(Header::Size)) {
    h.MicrometersCx = r.U32(Header::Micrometers);
    h.MicrometersCy = r.U32(Header::Micrometers + 4);
  }
  if (!r.Ok())
    return std::nullopt;
  // A description that does not fit is left out; it changes no drawing.
  TEmfReader text(record);
  if (nDescription != 0)
    h.Description = text.Utf16(offDescription, nDescription);
  return h;
}

}  // namespace Emf
