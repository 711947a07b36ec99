#include "document/qdxDrawText.h"

#include "document/qdxFontMeasurer.h"
#include "document/qdxHyphenation.h"
#include "platform/Canvas.h"
#include "platform/Font.h"
#include "platform/VectorCanvas.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <memory>
#include <numbers>

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
  std::vector<std::pair<int, bool>> cuts;
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
    cuts.emplace_back(consumed, hyphen);
    lineStart += consumed;
    avail = length;
  }
  FTags.SplitLines(cuts);
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

namespace {

void SpreadUnits(std::span<int> values, int a, int b, int units, int sign) {
  if (units <= 0 || a > b) return;
  if (a == b) {
    values[static_cast<size_t>(a)] += units * sign;
    return;
  }
  const int c = std::max(1, (b - a + 1) / 2);
  if (units == 1) {
    values[static_cast<size_t>(a + c - 1)] += sign;
    return;
  }
  const int half = units / 2;
  SpreadUnits(values, a, a + c - 1, half, sign);
  SpreadUnits(values, a + c, b, units - half, sign);
}

bool IsSpace(char16_t c) { return c == u' ' || c == u'\u00A0'; }

bool IsBlank(std::u16string_view line) {
  return std::all_of(line.begin(), line.end(), [](char16_t c) { return IsSpace(c) || c == u'\t'; });
}

TColor CanvasColor(TqdxColor c) {
  if (c == clNone) return clBlackRGB;  // text always shows
  return static_cast<TColor>(qdxColorToRGB(c)) & 0xFFFFFF;
}

// The platform fonts of one drawing, each made once.
class TFontCache {
public:
  const TFont& Get(const TqdxTextFont& font) {
    const TFontDesc desc = qdxFontDescOf(font);
    for (const auto& [d, f] : FFonts)
      if (d == desc) return *f;
    FFonts.emplace_back(desc, std::make_unique<TFont>(desc));
    return *FFonts.back().second;
  }

private:
  std::vector<std::pair<TFontDesc, std::unique_ptr<TFont>>> FFonts;
};

}  // namespace

void qdxSpreadDifference(std::span<int> values, int difference) {
  const int n = static_cast<int>(values.size());
  if (n == 0 || difference == 0) return;
  const int sign = difference < 0 ? -1 : 1;
  int units = std::abs(difference);
  if (units >= n) {
    const int q = units / n;
    for (int& v : values) v += q * sign;
    units -= q * n;
  }
  SpreadUnits(values, 0, n - 1, units, sign);
}

TqdxTextBlock qdxTextBlockStart(const TqdxIntRect& r, int rotation, int h) {
  const int a = ((rotation % 360) + 360) % 360;
  const double rad = a * std::numbers::pi / 180.0;
  const double s = std::abs(std::sin(rad)), c = std::abs(std::cos(rad));
  const int L = r.Left, T = r.Top, R = r.Right, B = r.Bottom;
  TqdxTextBlock b;
  if (a == 0) return {L, T, R - L, B - T};
  if (a == 90) return {L, B, B - T, R - L};
  if (a == 180) return {R, B, R - L, B - T};
  if (a == 270) return {R, T, B - T, R - L};
  b.W = Round((R - L - s * h) / c);
  if (a < 90) {
    b.X = L;
    b.Y = T + Round(s * b.W);
    b.A = B - b.Y + h - Round(c * h);
  } else if (a < 180) {
    b.X = L + Round(c * b.W);
    b.Y = B;
    b.A = B - T + h - Round(c * h + s * b.W);
  } else if (a < 270) {
    b.X = R;
    b.Y = B - Round(s * b.W);
    b.A = b.Y + h - T - Round(c * h);
  } else {
    b.X = L + Round(s * h);
    b.Y = T;
    b.A = B - T + h - Round(s * b.W + c * h);
  }
  return b;
}

void TqdxDrawText::DrawText(TCanvas& canvas, TqdxHAlign hAlign, TqdxVAlign vAlign,
                            TqdxUnderlinesTextMode underlines) {
  std::lock_guard<std::recursive_mutex> lock(FLock);
  const TCanvasDevice& device = canvas.Device();
  const int a = Rotation;
  const double rad = a * std::numbers::pi / 180.0;
  const double cosA = std::cos(rad), sinA = std::sin(rad);
  const int n = static_cast<int>(FLines.size());

  // Target font heights: a printer's own resolution, else screen pixels
  // times the drawing scale; conversions of layout lengths likewise.
  auto targetHeight = [&](int size) {
    return device.Printer ? -Round(device.PixelsPerInchY * size * PrintScale / 72.0)
                          : -Round(size * ScaleY * qdxScreenPPI / 72.0);
  };
  const double factorX = device.Printer ? device.PixelsPerInchX * PrintScale / qdxScreenPPI : ScaleX;
  const double factorY = device.Printer ? device.PixelsPerInchY * PrintScale / qdxScreenPPI : ScaleY;
  TqdxTextFont target = FFont;
  target.Height = targetHeight(FFontSize);
  target.Escapement = a * 10;

  // Block height from the layout; line advances from the target font,
  // adjusted so that the block keeps its layout height.
  const int blockHeight = Round(n * LineHeight() * factorY);
  const int fontLine = UseOldLineHeight ? std::abs(target.Height) : Measurer().TextMetricHeight(target);
  const int step = fontLine + Round(LineSpacing * ScaleY);
  std::vector<int> advances(static_cast<size_t>(n), step);
  if (Wysiwyg && n > 1)
    qdxSpreadDifference(std::span<int>(advances).first(static_cast<size_t>(n - 1)), blockHeight - n * step);

  TqdxTextBlock block = qdxTextBlockStart(DrawRect, a, blockHeight);
  int height = blockHeight;
  if (LineSpacing < 0 && vAlign != vaTop) height += std::abs(Round(2 * LineSpacing));
  const int d = block.A - height;
  double ca = 1, sa = 0;
  if (a % 90 == 0) {
    ca = Round(cosA);
    sa = Round(sinA);
  } else if (a > 90 && a < 270) {
    ca = -1;
  }
  if (vAlign == vaBottom) {
    block.X += Round(d * sa);
    block.Y += Round(d * ca);
  } else if (vAlign == vaCenter) {
    block.X += Round(d / 2.0 * sa);
    block.Y += Round(d / 2.0 * ca);
  }

  const TColor oldColor = canvas.State().TextColor;
  const TTextHAlign oldH = canvas.State().TextHAlign;
  const TTextVAlign oldV = canvas.State().TextVAlign;
  canvas.SetTextAlign(TTextHAlign::taLeft, TTextVAlign::taTop);
  TVectorCanvas* recorder = VectorCanvas && static_cast<TCanvas*>(VectorCanvas) != &canvas ? VectorCanvas : nullptr;
  if (recorder) recorder->SetTextAlign(TTextHAlign::taLeft, TTextVAlign::taTop);
  TTextRunOptions options;
  options.Clipped = Clipped;
  options.Rect = TRect{DrawRect.Left, DrawRect.Top, DrawRect.Right, DrawRect.Bottom};
  options.Escapement = a * 10;
  options.RtlReading = RTLReading;
  const int spacing = Round(CharSpacing * ScaleX);
  const bool boldOrItalic = (FFont.Style & (qdxBit(fsBold) | qdxBit(fsItalic))) != 0;
  TFontCache fonts;
  std::vector<int> charAdvances;

  // Ruled lines are horizontal, from the line's start over the line length.
  const int u = step;
  auto rule = [&](int x, int y) {
    canvas.MoveTo(x, y);
    canvas.LineTo(x + block.W, y);
  };
  auto ruleUnder = [&](int x, int y) {
    if (y + u > DrawRect.Top && y + u < DrawRect.Bottom) rule(x, y + u);
  };

  int x = block.X, y = block.Y;
  for (int i = 0; i < n; ++i) {
    const std::u16string& line = FLines[static_cast<size_t>(i)];
    const int flags = FFlags[static_cast<size_t>(i)];
    static const TqdxHTMLTags noTags;
    const TqdxHTMLTags& tags = i < FTags.Count() ? FTags.Items(i) : noTags;
    const size_t len = line.size();
    auto tagAt = [&](size_t k) -> const TqdxHTMLTag* { return k < tags.size() ? &tags[k] : nullptr; };

    // Style runs [start, end) and the target advances of their characters.
    std::vector<std::pair<size_t, size_t>> runs;
    for (size_t k = 0; k < len;) {
      size_t e = k + 1;
      while (e < len && (!tagAt(e) || tagAt(e)->SameAsPrevious)) ++e;
      runs.emplace_back(k, e);
      k = e;
    }
    auto runFont = [&](size_t k) {
      TqdxTextFont f = target;
      if (const TqdxHTMLTag* t = tagAt(k)) {
        f.Style = t->FontStyle;
        f.Height = targetHeight(t->FontSize);
      }
      return f;
    };
    charAdvances.assign(len, 0);
    int width = 0;
    for (const auto& [from, to] : runs) {
      Measurer().Cumulative(runFont(from), std::u16string_view(line).substr(from, to - from), FScratch);
      int prev = 0;
      for (size_t k = from; k < to; ++k) {
        charAdvances[k] = FScratch[k - from] - prev + spacing;
        prev = FScratch[k - from];
        width += charAdvances[k];
      }
    }

    int length = block.W;
    int lx = x, ly = y;
    if ((flags & lfFirstOfParagraph) && (hAlign == haLeft || hAlign == haBlock)) {
      // The indent runs along the text, like every other shift of a line.
      const int indent = Round(ParagraphGap * ScaleX);
      length -= indent;
      lx += Round(indent * cosA);
      ly -= Round(indent * sinA);
    }
    int spaces = 0;
    for (char16_t c : line) spaces += IsSpace(c) ? 1 : 0;
    // Justification divides the free space among the spaces: a line without
    // any, like the last line of a paragraph, keeps its natural spacing.
    const bool justify = hAlign == haBlock && !(flags & lfLastOfParagraph) && spaces > 0;
    TqdxHAlign align = hAlign;
    if (hAlign == haBlock && !justify) align = RTLReading && (flags & lfLastOfParagraph) ? haRight : haLeft;
    if (justify) {
      const int free = length - width;
      const int q = free / spaces;
      int rest = free - q * spaces;
      const int sign = rest < 0 ? -1 : 1;
      for (size_t k = 0; k < len; ++k) {
        if (!IsSpace(line[k])) continue;
        charAdvances[k] += q;
        if (rest != 0) {
          charAdvances[k] += sign;
          rest -= sign;
        }
      }
      width = length;
    } else if (Wysiwyg && len > 0) {
      const int layoutWidth = Round(MeasureLine(line, tags) / qdxLayoutFactor * factorX);
      qdxSpreadDifference(charAdvances, layoutWidth - width);
      width = layoutWidth;
    }
    const int free = length - width;
    if (align == haRight) {
      lx += Round((free + 1) * cosA);
      ly -= Round((free + 1) * sinA);
      lx -= a == 0 && boldOrItalic ? 2 : 1;
    } else if (align == haCenter) {
      lx += Round(free / 2.0 * cosA);
      ly -= Round(free / 2.0 * sinA);
    }

    int along = 0;
    for (const auto& [from, to] : runs) {
      const TqdxHTMLTag* tag = tagAt(from);
      const TqdxTextFont f = runFont(from);
      int rx = lx + Round(along * cosA), ry = ly - Round(along * sinA);
      if (tag && tag->Lowered) {
        const int down = Round(tag->Lowered * tag->FontSize * ScaleY);
        rx += Round(down * sinA);
        ry += Round(down * cosA);
      }
      const TColor color = MonoFont ? clBlackRGB : CanvasColor(tag ? tag->FontColor : FColor);
      const std::u16string_view text = std::u16string_view(line).substr(from, to - from);
      const std::span<const int> adv(charAdvances.data() + from, to - from);
      const TFont& font = fonts.Get(f);
      canvas.SetTextColor(color);
      canvas.TextOutRun(rx, ry, font, text, adv, options);
      if (recorder) {
        recorder->SetTextColor(color);
        recorder->TextOutRun(rx, ry, font, text, adv, options);
      }
      for (size_t k = from; k < to; ++k) along += charAdvances[k];
    }

    if (underlines == ulmUnderlinesAll || underlines == ulmUnderlinesTextAndEmptyLines ||
        (underlines == ulmUnderlinesText && !IsBlank(line)))
      ruleUnder(x, y);
    if (underlines == ulmUnderlinesAll && u > 0) {
      if (i == 0 && vAlign != vaTop)
        for (int k = 0; y - k * u > DrawRect.Top; ++k) rule(x, y - k * u);
      if (i == n - 1 && vAlign != vaBottom)
        for (int k = 2; y + k * u < DrawRect.Bottom; ++k) rule(x, y + k * u);
    }
    y += Round(advances[static_cast<size_t>(i)] * cosA);
    x += Round(advances[static_cast<size_t>(i)] * sinA);
  }
  if (n == 0 && underlines == ulmUnderlinesAll && u > 0)
    for (int k = 1; DrawRect.Top + k * u < DrawRect.Bottom; ++k) rule(block.X, DrawRect.Top + k * u);

  canvas.SetTextColor(oldColor);
  canvas.SetTextAlign(oldH, oldV);
}
