#include "document/qdxDrawing.h"
#include "document/qdxFill.h"

#include <algorithm>
#include <cmath>

namespace {

TBrushStyle CanvasBrushStyle(TqdxBrushStyle style) {
  switch (style) {
    case bsSolid: return TBrushStyle::bsSolid;
    case bsClear: return TBrushStyle::bsClear;
    case bsHorizontal: return TBrushStyle::bsHorizontal;
    case bsVertical: return TBrushStyle::bsVertical;
    case bsFDiagonal: return TBrushStyle::bsFDiagonal;
    case bsBDiagonal: return TBrushStyle::bsBDiagonal;
    case bsCross: return TBrushStyle::bsCross;
    case bsDiagCross: return TBrushStyle::bsDiagCross;
  }
  return TBrushStyle::bsSolid;
}

// The hatch over [left, right) x [top, bottom), leaving what is beneath
// visible between its lines.
void Hatch(TCanvas& canvas, TBrushStyle style, TqdxColor color, int left, int top, int right, int bottom) {
  canvas.SetPen(qdxMakePen(clNone, 1));
  canvas.SetBrush(TBrush{style, qdxCanvasColor(color)});
  canvas.SetBkMode(TBkMode::bkTransparent);
  // Without a pen a rectangle leaves out its right column and bottom row.
  canvas.Rectangle(left, top, right + 1, bottom + 1);
}

}  // namespace

void TqdxBrushFill::Draw(TCanvas& canvas, int left, int top, int right, int bottom, double, double) const {
  if (BackColor != clNone)
    canvas.FillRect(TRect{left, top, right, bottom}, TBrush{TBrushStyle::bsSolid, qdxCanvasColor(BackColor)});
  if (Style != bsSolid && Style != bsClear && ForeColor != clNone)
    Hatch(canvas, CanvasBrushStyle(Style), ForeColor, left, top, right, bottom);
}

void TqdxGradientFill::Draw(TCanvas& canvas, int left, int top, int right, int bottom, double, double) const {
  qdxDrawGradient(canvas, left, top, right, bottom, StartColor, EndColor, GradientStyle);
}

TqdxColor TqdxGlassFill::HighlightColor() const {
  const TColor c = qdxCanvasColor(Color);
  auto lighter = [&](int v) { return uint8_t(std::clamp(v + int(std::nearbyint((255 - v) * Blend)), 0, 255)); };
  return static_cast<TqdxColor>(
      RGBColor(lighter(GetRValue(c)), lighter(GetGValue(c)), lighter(GetBValue(c))));
}

TqdxColor TqdxGlassFill::HatchColor() const {
  // Channel by channel: taking 6 off the packed value would borrow from the
  // next channel wherever one is below 6.
  const TColor c = static_cast<TColor>(HighlightColor());
  auto darker = [](int v) { return uint8_t(std::max(v - 6, 0)); };
  return static_cast<TqdxColor>(RGBColor(darker(GetRValue(c)), darker(GetGValue(c)), darker(GetBValue(c))));
}

void TqdxGlassFill::Draw(TCanvas& canvas, int left, int top, int right, int bottom, double, double) const {
  if (Color == clNone) return;
  const int w = right - left, h = bottom - top;
  canvas.FillRect(TRect{left, top, right, bottom}, TBrush{TBrushStyle::bsSolid, qdxCanvasColor(Color)});
  TRect half{left, top, right, bottom};
  switch (Orientation) {
    case foVertical: half.Right = right - w / 2; break;
    case foHorizontal: half.Bottom = bottom - h / 2; break;
    case foVerticalMirror: half.Left = left + w / 2; break;
    case foHorizontalMirror: half.Top = top + h / 2; break;
  }
  canvas.FillRect(half, TBrush{TBrushStyle::bsSolid, qdxCanvasColor(HighlightColor())});
  if (Hatch) ::Hatch(canvas, TBrushStyle::bsBDiagonal, HatchColor(), left, top, right, bottom);
}
