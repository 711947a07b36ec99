// Text objects: background and frame, then the text through the shared
// layout object.
#include "document/qdxDrawText.h"
#include "document/qdxDrawing.h"
#include "document/qdxMemoView.h"
#include "platform/RasterCanvas.h"

#include <cmath>

namespace {

int Round(double v) { return static_cast<int>(std::nearbyint(v)); }

TqdxIntRect IntRect(const TRect& r) { return TqdxIntRect{r.Left, r.Top, r.Right, r.Bottom}; }

// Holds the shared layout object for one use and leaves it as found.
class TLayoutLock {
public:
  TLayoutLock() : FText(DrawTextObject()) { FText.Lock(); }
  ~TLayoutLock() {
    FText.MonoFont = false;
    FText.VectorCanvas = nullptr;
    FText.Unlock();
  }
  TLayoutLock(const TLayoutLock&) = delete;
  TLayoutLock& operator=(const TLayoutLock&) = delete;
  TqdxDrawText& operator*() { return FText; }

private:
  TqdxDrawText& FText;
};

std::u16string Joined(const std::vector<std::u16string>& lines) {
  std::u16string out;
  for (size_t i = 0; i < lines.size(); ++i) {
    if (i > 0) out += u"\r\n";
    out += lines[i];
  }
  return out;
}

}  // namespace

TRect TqdxCustomMemoView::GetTextRect(double scaleX, double scaleY, double offsetX, double offsetY) const {
  const TqdxFrame& frame = *GetFrame();
  const double x0 = offsetX + scaleX * AbsLeft(), y0 = offsetY + scaleY * AbsTop();
  const double w = frame.GetWidth();
  const double shadow = frame.DropShadow ? frame.ShadowWidth : 0;
  TRect r;
  r.Left = Round(x0) + (frame.HasSide(ftLeft) ? Round((scaleX * w - 1) / 2) : 0) + Round(scaleX * GapX);
  r.Top = Round(y0) + (frame.HasSide(ftTop) ? Round((scaleY * w - 1) / 2) : 0) + Round(scaleY * GapY);
  r.Right = Round(x0) + Round(scaleX * (GetWidth() - shadow)) - (frame.HasSide(ftRight) ? Round(scaleX * w / 2) : 0) -
            Round(scaleX * GapX) + 1;
  r.Bottom = Round(y0) + Round(scaleY * (GetHeight() - shadow)) -
             (frame.HasSide(ftBottom) ? Round(scaleY * w / 2) : 0) - Round(scaleY * GapY) + 1;
  return r;
}

void TqdxCustomMemoView::SetDrawParams(TCanvas&, double offsetX, double offsetY, double scaleX, double scaleY) {
  TqdxDrawText& text = DrawTextObject();
  text.UseDefaultCharset = UseDefaultCharset;
  text.SetFont(*GetFont());
  text.SetOptions(WordWrap, AllowHTMLTags, Rotation, Wysiwyg, Clipped, WordBreak, RTLReading);
  text.SetGaps(LineSpacing, CharSpacing, ParagraphGap);
  const TRect unscaled = GetTextRect(1, 1, 0, 0);
  const bool scaled = scaleX != 1 || scaleY != 1 || offsetX != 0 || offsetY != 0;
  const TRect drawn = scaled ? GetTextRect(scaleX, scaleY, offsetX, offsetY) : unscaled;
  text.SetDimensions(IntRect(unscaled), IntRect(drawn), 1, scaleX, scaleY);
  text.SetText(Memo, FirstParaBreak);
  std::vector<int>& flags = text.LineFlags();
  if (!flags.empty()) {
    if (FirstParaBreak) flags.front() &= ~lfFirstOfParagraph;
    if (LastParaBreak) flags.back() &= ~lfLastOfParagraph;
  }
}

void TqdxCustomMemoView::Draw(TCanvas& canvas, double scaleX, double scaleY, double offsetX, double offsetY) {
  BeginDraw(canvas, scaleX, scaleY, offsetX, offsetY);
  if (FVectorCanvas == nullptr) {
    DrawBackground();
    DrawFrame();
  }
  TLayoutLock text;
  (*text).MonoFont = DrawMono;
  SetDrawParams(canvas, offsetX, offsetY, scaleX, scaleY);
  if ((*text).Rotation == 0) canvas.SetPen(qdxMakePen(GetFrame()->GetColor(), FFrameWidth));
  // Files that only say Underlines want every line ruled.
  const TqdxUnderlinesTextMode underlines =
      Underlines && UnderlinesTextMode == ulmNone ? ulmUnderlinesAll : UnderlinesTextMode;
  (*text).VectorCanvas = FVectorCanvas;
  (*text).DrawText(canvas, HAlign, VAlign, underlines);
}

std::u16string TqdxCustomMemoView::WrapText(bool laidOut, std::vector<std::u16string>* lines,
                                            std::vector<int>* flags) {
  TLayoutLock text;
  TBitmap bitmap(1, 1);
  TRasterCanvas canvas(bitmap);
  SetDrawParams(canvas, 0, 0, 1, 1);
  if (lines != nullptr) *lines = (*text).Lines();
  if (flags != nullptr) *flags = (*text).LineFlags();
  if (laidOut) return Joined((*text).Lines());
  if (!AllowHTMLTags) return Text();
  std::vector<std::u16string> plain;
  for (const std::u16string& paragraph : Memo) {
    std::u16string p = paragraph;
    if (!p.empty()) {
      TqdxHTMLTagsList tags;
      tags.ExpandHTMLTags(p);
    }
    plain.push_back(std::move(p));
  }
  return Joined(plain);
}

void TqdxCustomMemoView::CalcAutoWidth() {
  TLayoutLock text;
  (*text).UseDefaultCharset = UseDefaultCharset;
  (*text).SetFont(*GetFont());
  (*text).SetOptions(WordWrap, AllowHTMLTags, Rotation, Wysiwyg, Clipped, WordBreak, RTLReading);
  (*text).SetGaps(LineSpacing, CharSpacing, ParagraphGap);
  const TqdxIntRect all{0, 0, 10000, 10000};
  (*text).SetDimensions(all, all);
  (*text).SetText(Memo, FirstParaBreak);
  const int rotation = (*text).Rotation;
  double width = rotation == 90 || rotation == 270 ? (*text).CalcHeight() : (*text).CalcWidth();
  const TqdxFrame& frame = *GetFrame();
  const double w = frame.GetWidth();
  width += 2 * GapX;
  if (frame.HasSide(ftLeft)) width += (w - 1) / 2;
  if (frame.HasSide(ftRight)) width += w / 2;
  if (frame.DropShadow) width += frame.ShadowWidth;
  const double old = GetWidth();
  SetWidth(width);
  if (HAlign == haRight)
    SetLeft(GetLeft() + old - width);
  else if (HAlign == haCenter)
    SetLeft(GetLeft() + (old - width) / 2);
}
