#include "platform/FontFace.h"

#include <ft2build.h>
#include FT_FREETYPE_H
#include FT_ADVANCES_H
#include FT_SFNT_NAMES_H
#include FT_TRUETYPE_IDS_H
#include FT_TRUETYPE_TABLES_H
#include FT_TRUETYPE_TAGS_H
#include <hb.h>

#include <array>
#include <cstdio>
#include <map>
#include <stdexcept>
#include <utility>

#include "platform/CodePage.h"
#include "platform/FontLocator.h"

namespace {

// FreeType's library and the face cache share one lock: opening and closing
// faces changes the library.
std::mutex CacheMutex;
FT_Library Library = nullptr;

std::map<std::pair<std::string, int32_t>, std::unique_ptr<TFontFace>>& Faces() {
  static auto* faces = new std::map<std::pair<std::string, int32_t>, std::unique_ptr<TFontFace>>;
  return *faces;  // lives as long as the process
}

std::string ReadHeader(const std::string& file) {
  char buf[4] = {};
  std::string result;
  if (FILE* f = std::fopen(file.c_str(), "rb")) {
    if (std::fread(buf, 1, 4, f) == 4) result.assign(buf, 4);
    std::fclose(f);
  }
  return result;
}

// A name of the name table: the Windows Unicode US-English entry, else any
// Windows Unicode entry, else a Macintosh Roman one.
std::string SfntName(FT_Face face, FT_UShort id) {
  std::string mac;
  std::string windows;
  FT_UInt count = FT_Get_Sfnt_Name_Count(face);
  for (FT_UInt i = 0; i < count; ++i) {
    FT_SfntName n;
    if (FT_Get_Sfnt_Name(face, i, &n) || n.name_id != id) continue;
    if (n.platform_id == TT_PLATFORM_MICROSOFT &&
        (n.encoding_id == TT_MS_ID_UNICODE_CS || n.encoding_id == TT_MS_ID_SYMBOL_CS)) {
      std::u16string s;
      for (FT_UInt k = 0; k + 1 < n.string_len; k += 2)
        s += static_cast<char16_t>((n.string[k] << 8) | n.string[k + 1]);
      if (windows.empty() || n.language_id == TT_MS_LANGID_ENGLISH_UNITED_STATES)
        windows = Utf16ToUtf8(s);
      if (n.language_id == TT_MS_LANGID_ENGLISH_UNITED_STATES) return windows;
    } else if (n.platform_id == TT_PLATFORM_MACINTOSH && n.encoding_id == TT_MAC_ID_ROMAN &&
               mac.empty()) {
      mac = FixUtf8(std::string(reinterpret_cast<const char*>(n.string), n.string_len));
    }
  }
  return windows.empty() ? mac : windows;
}

// OS/2 family class 1-5 and 7 are serif designs; without a class, the PANOSE
// serif style of a Latin text face decides.
bool IsSerif(const TT_OS2* os2) {
  int cls = os2->sFamilyClass >> 8;
  if (cls != 0) return (cls >= 1 && cls <= 5) || cls == 7;
  return os2->panose[0] == 2 && os2->panose[1] >= 2 && os2->panose[1] <= 10;
}

}  // namespace

struct TFontFace::TImpl {
  std::string File;
  int32_t Index = 0;
  bool InCollection = false;
  bool TrueType = false;
  FT_Face Face = nullptr;
  TFontOutlineMetrics Outline;

  // Guards Face and the glyph pages.
  mutable std::mutex Mutex;
  // Looked-up characters, in pages of 256; a glyph with no Face is not looked up yet.
  using Page = std::array<TGlyph, 256>;
  mutable std::vector<std::unique_ptr<Page>> Pages = std::vector<std::unique_ptr<Page>>(0x1100);

  mutable std::once_flag HbOnce;
  mutable hb_font_t* HbFont = nullptr;

  TGlyph* Slot(char32_t c) const {
    auto& page = Pages[c >> 8];
    if (!page) page = std::make_unique<Page>();
    return &(*page)[c & 0xFF];
  }
  uint32_t CharIndex(char32_t c) const {
    uint32_t id = FT_Get_Char_Index(Face, c);
    // Symbol faces map their characters at U+F020..U+F0FF.
    if (!id && Outline.Symbolic && c < 0x100) id = FT_Get_Char_Index(Face, 0xF000 | c);
    return id;
  }
  int32_t Advance(uint32_t glyph) const {
    FT_Fixed advance = 0;
    if (FT_Get_Advance(Face, glyph, FT_LOAD_NO_SCALE | FT_LOAD_NO_HINTING, &advance)) return 0;
    return static_cast<int32_t>(advance);
  }
  // Top of a glyph's outline, for faces whose OS/2 table lacks heights.
  int32_t GlyphTop(char32_t c) const {
    uint32_t id = CharIndex(c);
    if (!id || FT_Load_Glyph(Face, id, FT_LOAD_NO_SCALE | FT_LOAD_NO_HINTING)) return 0;
    return static_cast<int32_t>(Face->glyph->metrics.horiBearingY);
  }
  void ReadMetrics();
};

void TFontFace::TImpl::ReadMetrics() {
  TFontOutlineMetrics& m = Outline;
  m.UnitsPerEm = Face->units_per_EM ? Face->units_per_EM : 1000;
  m.XMin = static_cast<int32_t>(Face->bbox.xMin);
  m.YMin = static_cast<int32_t>(Face->bbox.yMin);
  m.XMax = static_cast<int32_t>(Face->bbox.xMax);
  m.YMax = static_cast<int32_t>(Face->bbox.yMax);
  m.Ascender = Face->ascender;
  m.Descender = Face->descender;
  m.LineGap = Face->height - (Face->ascender - Face->descender);
  m.UnderlinePosition = Face->underline_position;
  m.UnderlineThickness = Face->underline_thickness;
  m.FixedPitch = FT_IS_FIXED_WIDTH(Face);
  m.Italic = (Face->style_flags & FT_STYLE_FLAG_ITALIC) != 0;
  m.WeightClass = (Face->style_flags & FT_STYLE_FLAG_BOLD) ? 700 : 400;
  if (auto* hhea = static_cast<TT_HoriHeader*>(FT_Get_Sfnt_Table(Face, FT_SFNT_HHEA))) {
    m.Ascender = hhea->Ascender;
    m.Descender = hhea->Descender;
    m.LineGap = hhea->Line_Gap;
    m.MaxAdvance = hhea->advance_Width_Max;
  }
  if (auto* post = static_cast<TT_Postscript*>(FT_Get_Sfnt_Table(Face, FT_SFNT_POST)))
    m.ItalicAngle = post->italicAngle / 65536.0;
  m.WinAscent = m.Ascender;
  m.WinDescent = -m.Descender;
  m.TypoAscender = m.Ascender;
  m.TypoDescender = m.Descender;
  m.TypoLineGap = m.LineGap;
  auto* os2 = static_cast<TT_OS2*>(FT_Get_Sfnt_Table(Face, FT_SFNT_OS2));
  if (os2 && os2->version != 0xFFFF) {
    m.WinAscent = os2->usWinAscent;
    m.WinDescent = os2->usWinDescent;
    m.TypoAscender = os2->sTypoAscender;
    m.TypoDescender = os2->sTypoDescender;
    m.TypoLineGap = os2->sTypoLineGap;
    m.StrikeoutPosition = os2->yStrikeoutPosition;
    m.StrikeoutSize = os2->yStrikeoutSize;
    m.AvgCharWidth = os2->xAvgCharWidth;
    m.WeightClass = os2->usWeightClass;
    m.Serif = IsSerif(os2);
    m.FirstChar = os2->usFirstCharIndex;
    m.LastChar = os2->usLastCharIndex;
    if (os2->version >= 2) {
      m.DefaultChar = os2->usDefaultChar;
      m.BreakChar = os2->usBreakChar;
      m.CapHeight = os2->sCapHeight;
      m.XHeight = os2->sxHeight;
    }
  } else {
    // No OS/2 table: the strike-out sits at about a third of the em.
    m.StrikeoutPosition = m.UnitsPerEm * 3 / 10;
    m.StrikeoutSize = m.UnderlineThickness;
  }
  if (m.CapHeight == 0) m.CapHeight = GlyphTop('H');
  if (m.XHeight == 0) m.XHeight = GlyphTop('x');
  m.FamilyName = SfntName(Face, TT_NAME_ID_FONT_FAMILY);
  if (m.FamilyName.empty() && Face->family_name) m.FamilyName = Face->family_name;
  m.FullName = SfntName(Face, TT_NAME_ID_FULL_NAME);
  if (const char* ps = FT_Get_Postscript_Name(Face)) m.PostScriptName = ps;
}

TFontFace::TFontFace(std::unique_ptr<TImpl> impl) : P(std::move(impl)) {}

TFontFace::~TFontFace() {
  if (P->HbFont) hb_font_destroy(P->HbFont);
  if (P->Face) {
    std::lock_guard<std::mutex> lock(CacheMutex);
    FT_Done_Face(P->Face);
  }
}

const TFontFace& TFontFace::Open(const TFontMatch& match) { return Open(match.File, match.Index); }

const TFontFace& TFontFace::Open(const std::string& file, int32_t index) {
  std::lock_guard<std::mutex> lock(CacheMutex);
  auto& faces = Faces();
  auto key = std::make_pair(file, index);
  if (auto it = faces.find(key); it != faces.end()) return *it->second;
  if (!Library && FT_Init_FreeType(&Library))
    throw std::runtime_error("The font library could not be started");
  auto impl = std::make_unique<TImpl>();
  impl->File = file;
  impl->Index = index;
  if (FT_New_Face(Library, file.c_str(), index, &impl->Face))
    throw std::runtime_error("The font file \"" + file + "\" could not be opened");
  FT_Face face = impl->Face;
  if (!FT_IS_SFNT(face) || !FT_IS_SCALABLE(face)) {
    FT_Done_Face(face);
    throw std::runtime_error("The font file \"" + file + "\" holds no TrueType or OpenType face");
  }
  // Prefer Unicode; faces made for symbols have only the Microsoft symbol map.
  if (FT_Select_Charmap(face, FT_ENCODING_UNICODE) != 0 &&
      FT_Select_Charmap(face, FT_ENCODING_MS_SYMBOL) == 0)
    impl->Outline.Symbolic = true;
  impl->InCollection = ReadHeader(file) == "ttcf";
  FT_ULong length = 0;
  impl->TrueType = FT_Load_Sfnt_Table(face, TTAG_glyf, 0, nullptr, &length) == 0;
  impl->ReadMetrics();
  auto* result = new TFontFace(std::move(impl));
  faces.emplace(key, std::unique_ptr<TFontFace>(result));
  return *result;
}

const std::string& TFontFace::File() const { return P->File; }
int TFontFace::FaceIndex() const { return P->Index & 0xFFFF; }
bool TFontFace::InCollection() const { return P->InCollection; }
bool TFontFace::IsTrueType() const { return P->TrueType; }
const TFontOutlineMetrics& TFontFace::Outline() const { return P->Outline; }

uint32_t TFontFace::GlyphIndex(char32_t c) const {
  std::lock_guard<std::mutex> lock(P->Mutex);
  return P->CharIndex(c);
}

int32_t TFontFace::GlyphAdvance(uint32_t glyph) const {
  std::lock_guard<std::mutex> lock(P->Mutex);
  return P->Advance(glyph);
}

namespace {
// Characters that are never looked up in other faces.
bool NoFallback(char32_t c) {
  return c < 0x20 || (c >= 0x7F && c < 0xA0) || (c >= 0xD800 && c < 0xE000) || c > 0x10FFFF ||
         (c & 0xFFFE) == 0xFFFE;
}
}  // namespace

TFontFace::TGlyph TFontFace::Fallback(char32_t c) const {
  TGlyph g{this, 0, GlyphAdvance(0)};
  if (NoFallback(c) || P->Outline.Symbolic) return g;
  std::optional<TFontMatch> m;
  try {
    m = LocateFontForChar(c, P->Outline.WeightClass, P->Outline.Italic);
    if (!m) return g;
    const TFontFace& other = Open(*m);
    if (&other == this) return g;
    if (uint32_t id = other.GlyphIndex(c)) g = TGlyph{&other, id, other.GlyphAdvance(id)};
  } catch (const std::runtime_error&) {
    // An unreadable fallback face: keep the missing-glyph shape.
  }
  return g;
}

void TFontFace::Glyphs(const char32_t* chars, size_t n, TGlyph* out) const {
  std::unique_lock<std::mutex> lock(P->Mutex);
  for (size_t i = 0; i < n; ++i) {
    char32_t c = chars[i] <= 0x10FFFF ? chars[i] : 0xFFFD;
    TGlyph* slot = P->Slot(c);
    if (!slot->Face) {
      uint32_t id = P->CharIndex(c);
      if (id) {
        *slot = TGlyph{this, id, P->Advance(id)};
      } else {
        // The search opens other faces and takes their locks: never while
        // holding ours, or two faces falling back on each other could deadlock.
        lock.unlock();
        TGlyph g = Fallback(c);
        lock.lock();
        slot = P->Slot(c);
        *slot = g;
      }
    }
    out[i] = *slot;
  }
}

TFontFace::TGlyph TFontFace::Glyph(char32_t c) const {
  TGlyph g;
  Glyphs(&c, 1, &g);
  return g;
}

std::vector<uint8_t> TFontFace::FileBytes() const {
  std::vector<uint8_t> bytes;
  FILE* f = std::fopen(P->File.c_str(), "rb");
  if (!f) return bytes;
  uint8_t buf[65536];
  size_t n;
  while ((n = std::fread(buf, 1, sizeof buf, f)) > 0) bytes.insert(bytes.end(), buf, buf + n);
  bool failed = std::ferror(f) != 0;
  std::fclose(f);
  if (failed) bytes.clear();
  return bytes;
}

hb_font_t* TFontFace::HarfBuzzFont() const {
  std::call_once(P->HbOnce, [this] {
    hb_blob_t* blob = hb_blob_create_from_file_or_fail(P->File.c_str());
    if (!blob) blob = hb_blob_get_empty();
    hb_face_t* face = hb_face_create(blob, static_cast<unsigned>(FaceIndex()));
    hb_blob_destroy(blob);
    hb_font_t* font = hb_font_create(face);
    hb_face_destroy(face);
    if (unsigned instance = static_cast<unsigned>(P->Index) >> 16)
      hb_font_set_var_named_instance(font, instance - 1);
    hb_font_set_scale(font, P->Outline.UnitsPerEm, P->Outline.UnitsPerEm);
    hb_font_make_immutable(font);
    P->HbFont = font;
  });
  return P->HbFont;
}

TFontFace::TAccess::TAccess(const TFontFace& face) : FLock(face.P->Mutex), FFace(face.P->Face) {}
