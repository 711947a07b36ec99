#include "export/pdf/qdxTrueTypeTable.h"

#include "platform/CodePage.h"

namespace {

[[noreturn]] void Outside(const char* what) {
  throw ETrueTypeError(std::string("TrueType font format error: ") + what +
                       " lies outside the font data");
}

}  // namespace

uint16_t TTF_Helpers::U16(TTFView data, size_t at) {
  if (at > data.size() || data.size() - at < 2) Outside("a value");
  return static_cast<uint16_t>((data[at] << 8) | data[at + 1]);
}

uint32_t TTF_Helpers::U32(TTFView data, size_t at) {
  if (at > data.size() || data.size() - at < 4) Outside("a value");
  return (uint32_t(data[at]) << 24) | (uint32_t(data[at + 1]) << 16) |
         (uint32_t(data[at + 2]) << 8) | uint32_t(data[at + 3]);
}

void TTF_Helpers::PutU16(TTFBytes& data, size_t at, uint16_t value) {
  if (at > data.size() || data.size() - at < 2) Outside("a written value");
  data[at] = uint8_t(value >> 8);
  data[at + 1] = uint8_t(value);
}

void TTF_Helpers::PutU32(TTFBytes& data, size_t at, uint32_t value) {
  if (at > data.size() || data.size() - at < 4) Outside("a written value");
  for (int i = 0; i < 4; ++i) data[at + size_t(i)] = uint8_t(value >> (24 - 8 * i));
}

void TTF_Helpers::AppendU16(TTFBytes& data, uint16_t value) {
  data.push_back(uint8_t(value >> 8));
  data.push_back(uint8_t(value));
}

void TTF_Helpers::AppendU32(TTFBytes& data, uint32_t value) {
  for (int i = 0; i < 4; ++i) data.push_back(uint8_t(value >> (24 - 8 * i)));
}

uint32_t TTF_Helpers::CheckSum(TTFView data) {
  uint32_t sum = 0;
  size_t whole = data.size() & ~size_t(3);
  for (size_t i = 0; i < whole; i += 4)
    sum += (uint32_t(data[i]) << 24) | (uint32_t(data[i + 1]) << 16) |
           (uint32_t(data[i + 2]) << 8) | uint32_t(data[i + 3]);
  uint32_t last = 0;
  for (size_t i = whole; i < data.size(); ++i) last |= uint32_t(data[i]) << (24 - 8 * (i - whole));
  return sum + last;
}

uint32_t TTF_Helpers::Tag(const char* name) {
  return (uint32_t(uint8_t(name[0])) << 24) | (uint32_t(uint8_t(name[1])) << 16) |
         (uint32_t(uint8_t(name[2])) << 8) | uint32_t(uint8_t(name[3]));
}

std::string TTF_Helpers::TagName(uint32_t tag) {
  std::string s;
  for (int i = 0; i < 4; ++i) {
    char c = char(tag >> (24 - 8 * i));
    s += (c >= ' ' && c <= '~') ? c : '?';
  }
  return s;
}

TTFView TTF_Helpers::Slice(TTFView data, size_t offset, size_t length, const char* what) {
  if (offset > data.size() || data.size() - offset < length) Outside(what);
  return data.subspan(offset, length);
}

void TrueTypeTable::Load(TTFView file) {
  TTFView bytes = TTF_Helpers::Slice(file, Offset, Length, "a table");
  Data.assign(bytes.begin(), bytes.end());
  Parse();
}

uint32_t TrueTypeTable::Write(TTFBytes& out) {
  if (out.size() % 4 != 0) throw ETrueTypeError("Align error");
  if (out.size() > UINT32_MAX - Data.size() - 3) throw ETrueTypeError("TrueType font too large");
  Offset = uint32_t(out.size());
  Length = uint32_t(Data.size());
  CheckSum = ComputeCheckSum();
  out.insert(out.end(), Data.begin(), Data.end());
  while (out.size() % 4 != 0) out.push_back(0);
  return uint32_t(out.size());
}

std::unique_ptr<TrueTypeTable> TrueTypeTable::Create(uint32_t tag) {
  std::unique_ptr<TrueTypeTable> t;
  if (tag == TTF_Helpers::Tag("head")) t = std::make_unique<FontHeaderClass>();
  else if (tag == TTF_Helpers::Tag("name")) t = std::make_unique<NameTableClass>();
  else if (tag == TTF_Helpers::Tag("OS/2")) t = std::make_unique<OS2WindowsMetricsClass>();
  else if (tag == TTF_Helpers::Tag("maxp")) t = std::make_unique<MaximumProfileClass>();
  else if (tag == TTF_Helpers::Tag("hhea")) t = std::make_unique<HorizontalHeaderClass>();
  else if (tag == TTF_Helpers::Tag("post")) t = std::make_unique<PostScriptClass>();
  else if (tag == TTF_Helpers::Tag("loca")) t = std::make_unique<IndexToLocationClass>();
  else if (tag == TTF_Helpers::Tag("hmtx")) t = std::make_unique<HorizontalMetrixClass>();
  else if (tag == TTF_Helpers::Tag("glyf")) t = std::make_unique<GlyphTableClass>();
  else t = std::make_unique<TrueTypeTable>();
  t->Tag = tag;
  return t;
}

void FontHeaderClass::Parse() {
  UnitsPerEm = TTF_Helpers::U16(Data, 18);
  IndexToLocFormat = TTF_Helpers::S16(Data, IndexToLocFormatAt);
  if (UnitsPerEm == 0) throw ETrueTypeError("TrueType font format error: no units per em");
  TTF_Helpers::PutU32(Data, CheckSumAdjustmentAt, 0);
}

namespace {

// A name record's text: UTF-16 for the Unicode and Windows platforms, 8-bit
// (ASCII kept, other bytes as "?") for the Macintosh one.
std::string NameText(TTFView bytes, uint16_t platform) {
  if (platform == 0 || platform == 3) {
    std::u16string s;
    for (size_t i = 0; i + 1 < bytes.size(); i += 2) s += char16_t((bytes[i] << 8) | bytes[i + 1]);
    return Utf16ToUtf8(s);
  }
  std::string s;
  for (uint8_t b : bytes) s += b < 128 ? char(b) : '?';
  return s;
}

}  // namespace

void NameTableClass::Parse() {
  uint16_t count = TTF_Helpers::U16(Data, 2);
  size_t strings = TTF_Helpers::U16(Data, 4);
  // Best entry per name: Windows US English, other Windows or Unicode, Macintosh.
  int rank[2] = {0, 0};
  for (size_t i = 0; i < count; ++i) {
    size_t at = 6 + 12 * i;
    uint16_t platform = TTF_Helpers::U16(Data, at);
    uint16_t language = TTF_Helpers::U16(Data, at + 4);
    uint16_t id = TTF_Helpers::U16(Data, at + 6);
    if (id != 1 && id != 4) continue;
    int r = platform == 3 ? (language == 0x409 ? 3 : 2) : platform == 0 ? 2 : platform == 1 ? 1 : 0;
    int k = id == 1 ? 0 : 1;
    if (r <= rank[k]) continue;
    size_t length = TTF_Helpers::U16(Data, at + 8);
    size_t offset = strings + TTF_Helpers::U16(Data, at + 10);
    std::string text = NameText(TTF_Helpers::Slice(Data, offset, length, "a name"), platform);
    rank[k] = r;
    (id == 1 ? FamilyName : FullName) = std::move(text);
  }
}

void OS2WindowsMetricsClass::Parse() { AvgCharWidth = TTF_Helpers::S16(Data, 2); }

void MaximumProfileClass::Parse() { NumGlyphs = TTF_Helpers::U16(Data, 4); }

void HorizontalHeaderClass::Parse() { NumberOfHMetrics = TTF_Helpers::U16(Data, 34); }

void PostScriptClass::CutToHeader() {
  if (Data.size() < 32) throw ETrueTypeError("TrueType font format error: post table too short");
  Data.resize(32);
  TTF_Helpers::PutU32(Data, 0, 0x00030000);
}

void IndexToLocationClass::ReadOffsets(int16_t format, uint16_t numGlyphs) {
  if (format != 0 && format != 1) throw ETrueTypeError("Unsupported Index to Location format");
  Offsets.resize(size_t(numGlyphs) + 1);
  for (size_t i = 0; i <= numGlyphs; ++i)
    Offsets[i] = format == 0 ? uint32_t(TTF_Helpers::U16(Data, 2 * i)) * 2 : TTF_Helpers::U32(Data, 4 * i);
}

void IndexToLocationClass::Build(int16_t format) {
  if (format != 0 && format != 1) throw ETrueTypeError("Unknown IndexToLoc value");
  Data.clear();
  for (uint32_t offset : Offsets) {
    if (format == 1) {
      TTF_Helpers::AppendU32(Data, offset);
    } else {
      if (offset % 2 != 0 || offset / 2 > 0xFFFF)
        throw ETrueTypeError("Glyph data too large for short glyph offsets");
      TTF_Helpers::AppendU16(Data, uint16_t(offset / 2));
    }
  }
}

void HorizontalMetrixClass::ReadMetrics(uint16_t numberOfHMetrics) {
  Advances.resize(numberOfHMetrics);
  for (size_t i = 0; i < numberOfHMetrics; ++i) Advances[i] = TTF_Helpers::U16(Data, 4 * i);
}

uint16_t HorizontalMetrixClass::Advance(uint32_t glyph) const {
  if (Advances.empty()) return 0;
  return glyph < Advances.size() ? Advances[glyph] : Advances.back();
}

std::vector<uint16_t> GlyphTableClass::Components(TTFView glyph) {
  std::vector<uint16_t> ids;
  if (glyph.size() < 10 || TTF_Helpers::S16(glyph, 0) >= 0) return ids;  // empty or simple
  constexpr uint16_t ArgsAreWords = 0x0001, HaveScale = 0x0008, MoreComponents = 0x0020,
                     XYScale = 0x0040, TwoByTwo = 0x0080;
  size_t at = 10;
  uint16_t flags = 0;
  do {
    flags = TTF_Helpers::U16(glyph, at);
    ids.push_back(TTF_Helpers::U16(glyph, at + 2));
    at += 4 + ((flags & ArgsAreWords) ? 4 : 2);
    if (flags & HaveScale) at += 2;
    else if (flags & XYScale) at += 4;
    else if (flags & TwoByTwo) at += 8;
  } while ((flags & MoreComponents) && at < glyph.size());
  return ids;
}
