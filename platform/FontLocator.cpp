#include "platform/FontLocator.h"

#include <fontconfig/fontconfig.h>

#include <map>
#include <memory>
#include <mutex>
#include <stdexcept>
#include <tuple>

#include "platform/FileUtils.h"
#include "platform/FontDesc.h"

namespace {

// Windows faces and the installed families with the same advance widths.
const struct {
  const char* Name;
  const char* Family;
} MetricTwins[] = {
    {"Arial", "Liberation Sans"},
    {"Arial Narrow", "Liberation Sans Narrow"},
    {"Calibri", "Carlito"},
    {"Cambria", "Caladea"},
    {"Courier", "Liberation Mono"},
    {"Courier New", "Liberation Mono"},
    {"Helvetica", "Liberation Sans"},
    {"Times", "Liberation Serif"},
    {"Times New Roman", "Liberation Serif"},
};

// The language a character set implies, so that fontconfig prefers faces
// covering its script when the named face is missing.
const char* LanguageOf(uint8_t charSet) {
  switch (charSet) {
    case FontCharset::ShiftJis: return "ja";
    case FontCharset::Hangeul:
    case FontCharset::Johab: return "ko";
    case FontCharset::Gb2312: return "zh-cn";
    case FontCharset::ChineseBig5: return "zh-tw";
    case FontCharset::Greek: return "el";
    case FontCharset::Turkish: return "tr";
    case FontCharset::Vietnamese: return "vi";
    case FontCharset::Hebrew: return "he";
    case FontCharset::Arabic: return "ar";
    case FontCharset::Baltic: return "lt";
    case FontCharset::Russian: return "ru";
    case FontCharset::Thai: return "th";
    case FontCharset::EastEurope: return "pl";
    default: return nullptr;
  }
}

struct PatternDeleter {
  void operator()(FcPattern* p) const { FcPatternDestroy(p); }
};
using Pattern = std::unique_ptr<FcPattern, PatternDeleter>;

// fontconfig's configuration and our cache; fontconfig is thread-safe in
// recent versions, but the cache is not, and matching is rare enough.
std::mutex Mutex;
using Key = std::tuple<std::string, int32_t, bool, uint8_t>;
std::map<Key, TFontMatch>& Cache() {
  static auto* cache = new std::map<Key, TFontMatch>;  // lives as long as the process
  return *cache;
}

const FcChar8* Fc(const char* s) { return reinterpret_cast<const FcChar8*>(s); }

Pattern Request(const char* family, int32_t weight, bool italic, const char* lang, char32_t ch) {
  Pattern p(FcPatternCreate());
  if (family) FcPatternAddString(p.get(), FC_FAMILY, Fc(family));
  FcPatternAddDouble(p.get(), FC_WEIGHT, FcWeightFromOpenTypeDouble(weight));
  FcPatternAddInteger(p.get(), FC_SLANT, italic ? FC_SLANT_ITALIC : FC_SLANT_ROMAN);
  FcPatternAddBool(p.get(), FC_SCALABLE, FcTrue);
  FcPatternAddBool(p.get(), FC_OUTLINE, FcTrue);
  if (lang) FcPatternAddString(p.get(), FC_LANG, Fc(lang));
  if (ch) {
    FcCharSet* set = FcCharSetCreate();
    FcCharSetAddChar(set, ch);
    FcPatternAddCharSet(p.get(), FC_CHARSET, set);
    FcCharSetDestroy(set);
  }
  FcConfigSubstitute(nullptr, p.get(), FcMatchPattern);
  FcDefaultSubstitute(p.get());
  return p;
}

std::string GetString(FcPattern* p, const char* object, int n = 0) {
  FcChar8* s = nullptr;
  if (FcPatternGetString(p, object, n, &s) != FcResultMatch) return {};
  return reinterpret_cast<const char*>(s);
}

// A value of a localized list: the English one when present, else the first.
std::string English(FcPattern* p, const char* object, const char* langObject) {
  for (int i = 0;; ++i) {
    std::string lang = GetString(p, langObject, i);
    if (lang.empty()) break;
    if (lang == "en") return GetString(p, object, i);
  }
  return GetString(p, object);
}

bool HasFamily(FcPattern* p, const std::string& name) {
  for (int i = 0;; ++i) {
    FcChar8* s = nullptr;
    if (FcPatternGetString(p, FC_FAMILY, i, &s) != FcResultMatch) return false;
    if (SameText(reinterpret_cast<const char*>(s), name)) return true;
  }
}

bool IsTrueType(FcPattern* p) { return GetString(p, FC_FONTFORMAT) == "TrueType"; }

// The best match as the font set holds it (fontconfig's own matching would
// also apply its rendering rules, which pretend that a regular face is bold or
// oblique when asked for a style it lacks); when that is not TrueType, the
// best TrueType face of the same family (a family installed in two formats).
Pattern Best(FcPattern* request) {
  FcResult result;
  FcFontSet* set = FcFontSort(nullptr, request, FcFalse, nullptr, &result);
  if (!set) return nullptr;
  FcPattern* best = set->nfont > 0 ? set->fonts[0] : nullptr;
  if (best && !IsTrueType(best)) {
    std::string family = GetString(best, FC_FAMILY);
    for (int i = 1; i < set->nfont; ++i) {
      if (IsTrueType(set->fonts[i]) && HasFamily(set->fonts[i], family)) {
        best = set->fonts[i];
        break;
      }
    }
  }
  if (best) FcPatternReference(best);
  FcFontSetDestroy(set);
  return Pattern(best);
}

TFontMatch Describe(FcPattern* font, const std::string& requested) {
  TFontMatch m;
  m.Requested = requested;
  m.Family = English(font, FC_FAMILY, FC_FAMILYLANG);
  m.Style = English(font, FC_STYLE, FC_STYLELANG);
  m.File = GetString(font, FC_FILE);
  int index = 0;
  if (FcPatternGetInteger(font, FC_INDEX, 0, &index) == FcResultMatch) m.Index = index;
  double weight = 0;
  if (FcPatternGetDouble(font, FC_WEIGHT, 0, &weight) == FcResultMatch)
    m.Weight = static_cast<int32_t>(FcWeightToOpenTypeDouble(weight));
  int slant = FC_SLANT_ROMAN;
  FcPatternGetInteger(font, FC_SLANT, 0, &slant);
  m.Italic = slant != FC_SLANT_ROMAN;
  m.TrueType = IsTrueType(font);
  return m;
}

void EnsureInit() {
  if (!FcInit()) throw std::runtime_error("The font configuration could not be loaded");
}

}  // namespace

std::string TFontMatch::Note() const {
  return Substituted ? Requested + " -> " + Family : std::string();
}

const char* MetricCompatibleFamily(const std::string& faceName) {
  for (const auto& t : MetricTwins)
    if (SameText(faceName, t.Name)) return t.Family;
  return nullptr;
}

TFontMatch LocateFont(const std::string& faceName, int32_t weight, bool italic, uint8_t charSet) {
  if (weight <= 0) weight = FontWeightNormal;
  std::lock_guard<std::mutex> lock(Mutex);
  Key key{LowerCase(faceName), weight, italic, charSet};
  auto& cache = Cache();
  if (auto it = cache.find(key); it != cache.end()) return it->second;
  EnsureInit();
  const char* lang = LanguageOf(charSet);
  TFontMatch match;
  bool found = false;
  if (const char* twin = MetricCompatibleFamily(faceName)) {
    Pattern best = Best(Request(twin, weight, italic, lang, 0).get());
    if (best && HasFamily(best.get(), twin)) {
      match = Describe(best.get(), faceName);
      match.MetricCompatible = true;
      found = true;
    }
  }
  if (!found) {
    Pattern best =
        Best(Request(faceName.empty() ? nullptr : faceName.c_str(), weight, italic, lang, 0).get());
    if (!best || GetString(best.get(), FC_FILE).empty())
      throw std::runtime_error("No font is installed for \"" + faceName + "\"");
    match = Describe(best.get(), faceName);
    match.Substituted = faceName.empty() || !HasFamily(best.get(), faceName);
  }
  cache.emplace(key, match);
  return match;
}

std::optional<TFontMatch> LocateFontForChar(char32_t c, int32_t weight, bool italic) {
  if (weight <= 0) weight = FontWeightNormal;
  std::lock_guard<std::mutex> lock(Mutex);
  EnsureInit();
  Pattern best = Best(Request(nullptr, weight, italic, nullptr, c).get());
  if (!best) return std::nullopt;
  FcCharSet* set = nullptr;
  if (FcPatternGetCharSet(best.get(), FC_CHARSET, 0, &set) != FcResultMatch ||
      !FcCharSetHasChar(set, c))
    return std::nullopt;
  TFontMatch m = Describe(best.get(), std::string());
  m.Substituted = true;
  return m;
}
