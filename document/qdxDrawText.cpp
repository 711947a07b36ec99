#include "document/qdxDrawText.h"

#include "document/qdxHyphenation.h"

#include <algorithm>
#include <cmath>

namespace {

int Round(double v) { return static_cast<int>(std::nearbyint(v)); }

std::u16string HexColor(TqdxColor c) {
  static const char digits[] = "0123456789ABCDEF";
  uint32_t v = static_cast<uint32_t>(c);
  uint32_t rgb[3] = {v & 0xFF, (v >> 8) & 0xFF, (v >> 16) & 0xFF};
  std::u16string s = u"#";
  for (uint32_t x : rgb) {
    s += static_cast<char16_t>(digits[x >> 4]);
    s += static_cast<char16_t>(digits[x & 15]);
  }
  return s;
}

}  // namespace

TqdxDrawText& DrawTextObject() {
  static TqdxDrawText shared;
  return shared;
}

void TqdxDrawText::SetFont(const TqdxFont& font) {
  FFont.Name = font.GetName();
  FFont.Style = font.GetStyle();
  FFont.Charset = font.GetCharset();
  FColor = MonoFont ? clBlack : font.GetColor();
  FFontSize = font.GetSize();
  FFont.Height = -Round(FFontSize * 600.0 / 72.0);
}

void TqdxDrawText::SetOptions(bool wordWrap, bool htmlTags, int rotation, bool wysiwyg, bool clipped, bool wordBreak,
                              bool rtl) {
  WordWrap = wordWrap;
  HTMLTags = htmlTags;
  Rotation = ((rotation % 360) + 360) % 360;
  Wysiwyg = wysiwyg;
  Clipped = clipped;
  WordBreak = wordBreak;
  RTLReading = rtl;
}

void TqdxDrawText::SetGaps(double lineSpacing, double charSpacing, double paragraphGap) {
  LineSpacing = lineSpacing;
  CharSpacing = charSpacing;
  ParagraphGap = paragraphGap;
}

void TqdxDrawText::SetDimensions(const TqdxIntRect& textRect, const TqdxIntRect& drawRect, double printScale,
                                 double scaleX, double scaleY) {
  UnscaledRect = textRect;
  DrawRect = drawRect;
  PrintScale = printScale;
  ScaleX = scaleX;
  ScaleY = scaleY;
}

int TqdxDrawText::MeasureLine(std::u16string_view line, const TqdxHTMLTags& tags, std::vector<int>* advances) {
  const int n = static_cast<int>(line.size());
  std::vector<int>& adv = advances ? *advances : FAdvances;
  adv.assign(static_cast<size_t>(n), 0);
  const int spacing = Round(CharSpacing * qdxLayoutFactor);
  TqdxTextFont font = FFont;
  int total = 0;
  int start = 0;
  // Runs of one style are measured in one call each.
  while (start < n) {
    int end = start + 1;
    while (end < n && (static_cast<size_t>(end) >= tags.size() || tags[static_cast<size_t>(end)].SameAsPrevious)) ++end;
    font.Style = static_cast<size_t>(start) < tags.size() ? tags[static_cast<size_t>(start)].FontStyle : FFont.Style;
    Measurer().Cumulative(font, line.substr(static_cast<size_t>(start), static_cast<size_t>(end - start)), FScratch);
    int prev = 0;
    for (int i = start; i < end; ++i) {
      int a = FScratch[static_cast<size_t>(i - start)] - prev + spacing;
      prev = FScratch[static_cast<size_t>(i - start)];
      if (static_cast<size_t>(i) < tags.size() && tags[static_cast<size_t>(i)].Reduced) a = Round(a / 1.5);
      adv[static_cast<size_t>(i)] = a;
      total += a;
    }
    start = end;
  }
  return total;
}

void TqdxDrawText::SetText(const std::vector<std::u16string>& paragraphs, bool continues) {
  FLines.clear();
  FFlags.clear();
  FSourceText.clear();
  FTags.TagsEnabled = HTMLTags;
  FTags.SetDefaults(FColor, FFontSize, FFont.Style);
  const bool vertical = (Rotation >= 90 && Rotation <= 179) || (Rotation >= 270 && Rotation <= 359);
  const int width = Round((vertical ? UnscaledRect.Height() : UnscaledRect.Width()) * qdxLayoutFactor);
  const int gap = Round(ParagraphGap * qdxLayoutFactor);
  for (size_t p = 0; p < paragraphs.size(); ++p) {
    std::u16string text = paragraphs[p].empty() ? std::u16string(u" ") : paragraphs[p];
    FSourceText += text;
    FSourceText += u"\r\n";
    size_t before = FLines.size();
    WrapParagraph(std::move(text), p == 0 && continues ? width : width - gap, width);
    if (FLines.size() == before + 1) {
      FFlags[before] = lfFirstOfParagraph | lfLastOfParagraph;
    } else if (FLines.size() > before) {
      FFlags[before] |= lfFirstOfParagraph;
      FFlags.back() |= lfLastOfParagraph;
    }
  }
}

void TqdxDrawText::WrapParagraph(std::u16string text, int firstLength, int length) {
  FTags.NewLine();
  FTags.ExpandHTMLTags(text);
  FTags.AddPosition(2);
  // A copy: splitting lines below moves the list's tags around.
  const TqdxHTMLTags tags = FTags.Items(FTags.Count() - 1);
  auto IsNoWrap = [&](int i) { return static_cast<size_t>(i) < tags.size() && tags[static_cast<size_t>(i)].NoWrap; };
  if (text.size() <= 1 || !WordWrap) {
    AddLine(std::move(text));
    return;
  }
  std::vector<int> adv;
  int total = MeasureLine(text, tags, &adv);
  if (total < firstLength) {
    AddLine(std::move(text));
    return;
  }
  const int n = static_cast<int>(text.size());
  int lineStart = 0;
  int avail = firstLength;
  while (lineStart < n) {
    int breakPos = -1;
    int width = 0;
    int i = lineStart;
    bool cut = false;
    for (; i < n; ++i) {
      width += adv[static_cast<size_t>(i)];
      if (width > avail) {
        cut = true;
        break;
      }
      if (text[static_cast<size_t>(i)] == u' ' && !IsNoWrap(i)) breakPos = i;
    }
    if (!cut) break;
    // A space that overflows is still a break point.
    if (text[static_cast<size_t>(i)] == u' ' && !IsNoWrap(i)) breakPos = i;
    std::u16string line;
    int consumed;
    bool hyphen = false;
    if (breakPos < lineStart) {
      if (i == lineStart) {
        line = text.substr(static_cast<size_t>(i), 1);
        consumed = 1;
      } else {
        int pos = WordBreak ? qdxHyphenateAt(std::u16string_view(text).substr(static_cast<size_t>(lineStart)), i - lineStart) : 0;
        if (pos > 0) {
          line = text.substr(static_cast<size_t>(lineStart), static_cast<size_t>(pos)) + u"-";
          consumed = pos;
          hyphen = true;
        } else {
          line = text.substr(static_cast<size_t>(lineStart), static_cast<size_t>(i - lineStart));
          consumed = i - lineStart;
        }
      }
    } else {
      int pos = 0;
      if (WordBreak && breakPos < i)
        pos = qdxHyphenateAt(std::u16string_view(text).substr(static_cast<size_t>(breakPos + 1)), i - breakPos - 1);
      if (pos > 0) {
        line = text.substr(static_cast<size_t>(lineStart), static_cast<size_t>(breakPos + 1 + pos - lineStart)) + u"-";
        consumed = breakPos + 1 + pos - lineStart;
        hyphen = true;
      } else {
        line = text.substr(static_cast<size_t>(lineStart), static_cast<size_t>(breakPos - lineStart));
        consumed = breakPos + 1 - lineStart;
      }
    }
    AddLine(std::move(line));
    FTags.SplitLine(consumed, hyphen);
    lineStart += consumed;
    avail = length;
  }
  if (lineStart < n) AddLine(text.substr(static_cast<size_t>(lineStart)));
}

double TqdxDrawText::LineHeight() const {
  double h = (UseOldLineHeight ? FontPixels600() : const_cast<TqdxDrawText*>(this)->Measurer().TextMetricHeight(FFont)) /
             qdxLayoutFactor;
  return h + LineSpacing;
}

double TqdxDrawText::CalcHeight() const {
  double result = LineHeight() * static_cast<double>(FLines.size());
  if (LineSpacing < 0) result -= LineSpacing;
  if (FFontSize > 12) {
    int tm = const_cast<TqdxDrawText*>(this)->Measurer().TextMetricHeight(FFont);
    if (tm > FontPixels600()) result += (tm - FontPixels600()) / qdxLayoutFactor;
  }
  return result;
}

double TqdxDrawText::CalcWidth() {
  double widest = 0;
  const double spacing = CharSpacing * qdxLayoutFactor;
  for (size_t i = 0; i < FLines.size(); ++i) {
    const TqdxHTMLTags empty;
    const TqdxHTMLTags& tags = static_cast<int>(i) < FTags.Count() ? FTags.Items(static_cast<int>(i)) : empty;
    // Style runs measured as they are drawn; spacing and indent added whole.
    const std::u16string& line = FLines[i];
    const size_t n = line.size();
    TqdxTextFont font = FFont;
    double w = 0;
    size_t start = 0;
    while (start < n) {
      size_t end = start + 1;
      while (end < n && (end >= tags.size() || tags[end].SameAsPrevious)) ++end;
      font.Style = start < tags.size() ? tags[start].FontStyle : FFont.Style;
      Measurer().Cumulative(font, std::u16string_view(line).substr(start, end - start), FScratch);
      if (!FScratch.empty()) w += FScratch.back();
      start = end;
    }
    w += static_cast<double>(n) * spacing;
    if (FFlags[i] & lfFirstOfParagraph) w += ParagraphGap * qdxLayoutFactor;
    widest = std::max(widest, w);
  }
  return widest / qdxLayoutFactor;
}

double TqdxDrawText::UnusedSpace() const {
  const double step = LineHeight();
  if (step <= 0) return 0;
  const double height = UnscaledRect.Height() + 1;
  const double n = std::trunc(height / step);
  if (n <= 0) return 0;
  double rest = height - step * n;
  return rest == 0 ? 0.0001 : rest;
}

std::u16string TqdxDrawText::GetOutBoundsText(bool& continues) {
  continues = false;
  const double step = LineHeight();
  int n = static_cast<int>(FLines.size());
  if (step > 0) n = std::min(n, static_cast<int>(std::trunc((UnscaledRect.Height() + 1) / step)));
  n = std::max(n, 0);
  if (n >= static_cast<int>(FLines.size()) || n >= FTags.Count()) return {};
  const TqdxHTMLTags& first = FTags.Items(n);
  const int charPos = first.empty() ? 0 : first.front().CharPos;
  const TqdxHTMLTag style = first.empty() ? TqdxHTMLTag{} : first.front();
  FLines.resize(static_cast<size_t>(n));
  FFlags.resize(static_cast<size_t>(n));
  FTags.DeleteFrom(n);
  continues = n > 0 && !(FFlags.back() & lfLastOfParagraph);
  size_t from = charPos > 0 ? static_cast<size_t>(charPos - 1) : 0;
  from = std::min(from, FSourceText.size());
  std::u16string rest = FSourceText.substr(from);
  FSourceText.resize(from);
  if (continues && !rest.empty() && rest[0] == u' ') rest.erase(0, 1);
  if (WordBreak && !FLines.empty() && !FLines.back().empty() && FLines.back().back() == u'-') FSourceText += u"-";
  if (HTMLTags && !first.empty()) {
    std::u16string prefix;
    if (style.FontStyle & qdxBit(fsBold)) prefix += u"<b>";
    if (style.FontStyle & qdxBit(fsItalic)) prefix += u"<i>";
    if (style.FontStyle & qdxBit(fsUnderline)) prefix += u"<u>";
    if (style.Script == TqdxScript::Subscript) prefix += u"<sub>";
    if (style.Script == TqdxScript::Superscript) prefix += u"<sup>";
    prefix += u"<font color=\"" + HexColor(style.FontColor) + u"\">";
    rest = prefix + rest;
  }
  return rest;
}

void TqdxDrawText::DrawText(TCanvas&, TqdxHAlign, TqdxVAlign, TqdxUnderlinesTextMode) {
  // Drawing comes with the glyph rasterizer.
}
