#include "document/qdxHTMLTags.h"

#include "document/qdxColorNames.h"

#include <cmath>

namespace {

char16_t Upper(char16_t c) { return c >= u'a' && c <= u'z' ? static_cast<char16_t>(c - 32) : c; }

// Whether text at `at` starts with word (upper case ASCII), ignoring case.
bool MatchAt(const std::u16string& text, size_t at, const char* word) {
  size_t i = 0;
  for (; word[i]; ++i)
    if (at + i >= text.size() || Upper(text[at + i]) != static_cast<char16_t>(word[i])) return false;
  return true;
}

int HexDigit(char16_t c) {
  if (c >= u'0' && c <= u'9') return c - u'0';
  if (c >= u'a' && c <= u'f') return c - u'a' + 10;
  if (c >= u'A' && c <= u'F') return c - u'A' + 10;
  return -1;
}

}  // namespace

void TqdxHTMLTagsList::SetDefaults(TqdxColor color, int size, TqdxFontStyles style) {
  FDefColor = FColor = color;
  FDefSize = FSize = size;
  FDefStyle = FStyle = style;
  FLowered = 0;
  FNoWrap = false;
  FScript = TqdxScript::Normal;
  FPosition = 0;
  FLines.clear();
}

void TqdxHTMLTagsList::NewLine() {
  if (!FLines.empty()) FLines.emplace_back();
}

// Recognises a tag starting with "<" at `at`, applies it to the state and
// returns its length; false leaves the "<" an ordinary character.
bool TqdxHTMLTagsList::TryTag(const std::u16string& text, size_t at, size_t& length) {
  const size_t p = at + 1;
  const bool closing = p < text.size() && text[p] == u'/';
  const size_t q = closing ? p + 1 : p;
  const int reduced = static_cast<int>(std::nearbyint(FDefSize / 1.5));
  // b, i, u
  if (q + 1 < text.size() && text[q + 1] == u'>') {
    TqdxFontStyle s;
    switch (Upper(text[q])) {
      case u'B': s = fsBold; break;
      case u'I': s = fsItalic; break;
      case u'U': s = fsUnderline; break;
      default: goto words;
    }
    if (closing) FStyle &= static_cast<TqdxFontStyles>(~qdxBit(s));
    else FStyle |= static_cast<TqdxFontStyles>(qdxBit(s));
    length = q + 2 - at;
    return true;
  }
words:
  if (MatchAt(text, q, "STRIKE>")) {
    if (closing) FStyle &= static_cast<TqdxFontStyles>(~qdxBit(fsStrikeOut));
    else FStyle |= static_cast<TqdxFontStyles>(qdxBit(fsStrikeOut));
    length = q + 7 - at;
    return true;
  }
  if (MatchAt(text, q, "SUB>") || MatchAt(text, q, "SUP>")) {
    const bool sub = Upper(text[q + 2]) == u'B';
    if (closing) {
      FSize = FDefSize;
      FLowered = 0;
      FScript = TqdxScript::Normal;
    } else {
      FSize = reduced;
      FLowered = sub ? 1 : 0;
      FScript = sub ? TqdxScript::Subscript : TqdxScript::Superscript;
    }
    length = q + 4 - at;
    return true;
  }
  if (MatchAt(text, q, "NOWRAP>")) {
    FNoWrap = !closing;
    length = q + 7 - at;
    return true;
  }
  if (closing) {
    if (MatchAt(text, q, "FONT>")) {
      FColor = FDefColor;
      length = q + 5 - at;
      return true;
    }
    return false;
  }
  if (MatchAt(text, q, "FONT COLOR") && q + 10 < text.size() && text[q + 10] == u'=') {
    size_t v = q + 11;
    while (v < text.size() && text[v] == u' ') ++v;
    size_t end = text.find(u'>', v);
    if (end == std::u16string::npos) return false;
    std::u16string value = text.substr(v, end - v);
    TqdxColor color;
    if (value.size() > 3 && value[0] == u'"' && value[1] == u'#' && value.back() == u'"') {
      uint32_t rgb = 0;
      bool ok = value.size() > 3;
      for (size_t k = 2; k + 1 < value.size(); ++k) {
        int d = HexDigit(value[k]);
        if (d < 0) {
          ok = false;
          break;
        }
        rgb = (rgb << 4) | static_cast<uint32_t>(d);
      }
      if (!ok) return false;
      // Written red first; colours keep red in the low byte.
      color = static_cast<TqdxColor>(((rgb & 0xFF) << 16) | (rgb & 0xFF00) | ((rgb >> 16) & 0xFF));
    } else {
      std::string ident = "cl";
      for (char16_t c : value) {
        if (c > 127) return false;
        ident += static_cast<char>(c);
      }
      if (!qdxIdentToColor(ident, color)) return false;
    }
    FColor = color;
    length = end + 1 - at;
    return true;
  }
  return false;
}

void TqdxHTMLTagsList::ExpandHTMLTags(std::u16string& text) {
  if (FLines.empty()) FLines.emplace_back();
  TqdxHTMLTags& line = FLines.back();
  const size_t first = line.size();
  std::u16string out;
  out.reserve(text.size());
  for (size_t i = 0; i < text.size();) {
    size_t len = 0;
    if (TagsEnabled && text[i] == u'<' && TryTag(text, i, len)) {
      FPosition += static_cast<int>(len);
      i += len;
      continue;
    }
    TqdxHTMLTag tag;
    tag.CharPos = ++FPosition;
    tag.FontSize = FSize;
    tag.FontStyle = FStyle;
    tag.FontColor = FColor;
    tag.Lowered = FLowered;
    tag.Script = FScript;
    tag.NoWrap = FNoWrap;
    tag.Reduced = FSize != FDefSize;
    line.push_back(tag);
    out += text[i];
    ++i;
  }
  if (out.empty()) {
    out = u" ";
    TqdxHTMLTag tag;
    tag.CharPos = FPosition;
    tag.FontSize = FSize;
    tag.FontStyle = FStyle;
    tag.FontColor = FColor;
    tag.Lowered = FLowered;
    tag.Script = FScript;
    tag.NoWrap = FNoWrap;
    tag.Reduced = FSize != FDefSize;
    line.push_back(tag);
  }
  text.swap(out);
  UpdateSameAsPrevious(line, first);
}

void TqdxHTMLTagsList::UpdateSameAsPrevious(TqdxHTMLTags& line, size_t from) {
  for (size_t i = from; i < line.size(); ++i) {
    TqdxHTMLTag& t = line[i];
    if (!TagsEnabled) {
      t.SameAsPrevious = true;
    } else if (i == 0) {
      t.SameAsPrevious = t.FontStyle == FDefStyle && t.FontColor == FDefColor && t.FontSize == FDefSize;
    } else {
      t.SameAsPrevious = t.SameStyle(line[i - 1]);
    }
  }
}

void TqdxHTMLTagsList::SplitLine(int count, bool hyphen) { SplitLines({{count, hyphen}}); }

void TqdxHTMLTagsList::SplitLines(const std::vector<std::pair<int, bool>>& cuts) {
  if (FLines.empty() || cuts.empty()) return;
  TqdxHTMLTags whole = std::move(FLines.back());
  FLines.pop_back();
  size_t pos = 0;
  // Only the first tag of each new line changes (it is compared with the
  // defaults instead of its neighbour); the others keep their flags.
  auto lineStart = [&] {
    if (pos < whole.size()) {
      TqdxHTMLTags one(whole.begin() + static_cast<std::ptrdiff_t>(pos), whole.begin() + static_cast<std::ptrdiff_t>(pos) + 1);
      UpdateSameAsPrevious(one, 0);
      whole[pos].SameAsPrevious = one[0].SameAsPrevious;
    }
  };
  for (const auto& [count, hyphen] : cuts) {
    const size_t n = std::min(static_cast<size_t>(std::max(count, 0)), whole.size() - pos);
    TqdxHTMLTags piece(whole.begin() + static_cast<std::ptrdiff_t>(pos), whole.begin() + static_cast<std::ptrdiff_t>(pos + n));
    if (hyphen && !piece.empty()) piece.push_back(piece.back());
    FLines.push_back(std::move(piece));
    pos += n;
    lineStart();
  }
  FLines.emplace_back(whole.begin() + static_cast<std::ptrdiff_t>(pos), whole.end());
}
