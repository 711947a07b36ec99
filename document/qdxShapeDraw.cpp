// Shapes paint their own fill and outline.
#include "document/qdxDrawing.h"
#include "document/qdxShapeView.h"
#include "platform/Region.h"

#include <algorithm>
#include <cmath>
#include <vector>

namespace {

int Round(double v) { return static_cast<int>(std::nearbyint(v)); }

TBrushStyle HatchOf(TqdxBrushStyle style) {
  switch (style) {
    case bsHorizontal: return TBrushStyle::bsHorizontal;
    case bsVertical: return TBrushStyle::bsVertical;
    case bsFDiagonal: return TBrushStyle::bsFDiagonal;
    case bsBDiagonal: return TBrushStyle::bsBDiagonal;
    case bsCross: return TBrushStyle::bsCross;
    case bsDiagCross: return TBrushStyle::bsDiagCross;
    case bsSolid: return TBrushStyle::bsSolid;
    case bsClear: break;
  }
  return TBrushStyle::bsClear;
}

}  // namespace

void TqdxShapeView::Draw(TCanvas& canvas, double scaleX, double scaleY, double offsetX, double offsetY) {
  BeginDraw(canvas, scaleX, scaleY, offsetX, offsetY);
  DrawShape();
  if (FForceSolid || GetFrame()->GetStyle() != fsDouble) return;
  // A double frame: the same shape again, solid and inset, drawn from the
  // object's own geometry so that it scales like the outer one.
  const double l = GetLeft(), t = GetTop(), w = GetWidth(), h = GetHeight();
  const double f = GetFrame()->GetWidth();
  switch (Shape) {
    case skRectangle:
    case skRoundRectangle:
    case skEllipse: SetBounds(l + 2 * f, t + 2 * f, w - 4 * f, h - 4 * f); break;
    case skTriangle: SetBounds(l + 4 * f, t + 4 * f, w - 8 * f, h - 6 * f); break;
    case skDiamond: SetBounds(l + 3 * f, t + 3 * f, w - 6 * f, h - 6 * f); break;
    case skDiagonal1:
    case skDiagonal2: SetBounds(l + 2 * f, t, w, h); break;
  }
  FForceSolid = true;
  try {
    Draw(canvas, scaleX, scaleY, offsetX, offsetY);
  } catch (...) {
    FForceSolid = false;
    SetBounds(l, t, w, h);
    throw;
  }
  FForceSolid = false;
  SetBounds(l, t, w, h);
  BeginDraw(canvas, scaleX, scaleY, offsetX, offsetY);
}

void TqdxShapeView::Outline() {
  TCanvas& canvas = *FCanvas;
  const TRect box{FX, FY, FX1 + 1, FY1 + 1};
  switch (Shape) {
    case skRectangle: canvas.Rectangle(box); break;
    case skRoundRectangle: {
      const int corner = Curve != 0 ? Round(Curve * FScaleX * 10) : std::min(FDX, FDY) / 4;
      canvas.RoundRect(box, corner, corner);
      break;
    }
    case skEllipse: canvas.Ellipse(box); break;
    case skTriangle: {
      const TPoint p[] = {{FX1, FY1}, {FX, FY1}, {FX + FDX / 2, FY}};
      canvas.Polygon(p);
      break;
    }
    case skDiamond: {
      const TPoint p[] = {{FX + FDX / 2, FY}, {FX1, FY + FDY / 2}, {FX + FDX / 2, FY1}, {FX, FY + FDY / 2}};
      canvas.Polygon(p);
      break;
    }
    case skDiagonal1: qdxThickLine(canvas, FX, FY1, FX1, FY, FFrameWidth); break;
    case skDiagonal2: qdxThickLine(canvas, FX, FY, FX1, FY1, FFrameWidth); break;
  }
}

void TqdxShapeView::DrawShape() {
  TCanvas& canvas = *FCanvas;
  const TqdxFrame& frame = *GetFrame();
  const TqdxColor frameColor = frame.GetColor();
  const TqdxFrameStyle style = FForceSolid || frame.GetStyle() == fsDouble ? fsSolid : frame.GetStyle();
  const bool diagonal = Shape == skDiagonal1 || Shape == skDiagonal2;
  // Diagonals are thick lines of one-pixel strokes; closed shapes take the
  // pen at the frame's width.
  const int penWidth = diagonal ? 1 : FFrameWidth;
  if (style == fsAltDot || style == fsSquare)
    canvas.SetPen(diagonal ? qdxMakePen(frameColor, 1, TPenStyle::psDot) : qdxPatternPen(style, frameColor, penWidth));
  else
    canvas.SetPen(qdxMakePen(frameColor, penWidth, qdxPenStyleOf(style)));

  const TqdxColor color = GetColor();
  // The background behind hatches and dash gaps is the shape's colour, or
  // nothing when it has none.
  if (color == clNone) {
    canvas.SetBkMode(TBkMode::bkTransparent);
  } else {
    canvas.SetBkMode(TBkMode::bkOpaque);
    canvas.SetBkColor(qdxCanvasColor(color));
  }
  const TBrush clear{TBrushStyle::bsClear, clBlackRGB};

  if (const auto* brush = dynamic_cast<const TqdxBrushFill*>(GetFill())) {
    if (brush->Style == bsSolid) {
      canvas.SetBrush(color == clNone ? clear : TBrush{TBrushStyle::bsSolid, qdxCanvasColor(color)});
      Outline();
      return;
    }
    if (color != clNone) {
      canvas.SetBrush(TBrush{TBrushStyle::bsSolid, qdxCanvasColor(color)});
      Outline();
    }
    const TBrushStyle hatch = HatchOf(brush->Style);
    canvas.SetBrush(frameColor == clNone || hatch == TBrushStyle::bsClear
                        ? clear
                        : TBrush{hatch, qdxCanvasColor(frameColor)});
    Outline();
    return;
  }

  if (!diagonal) {
    // Gradient and glass: the fill painted through the shape's outline.
    const TRect box{FX, FY, FX1 + 1, FY1 + 1};
    TRegion region;
    switch (Shape) {
      case skRectangle: region = TRegion(box); break;
      case skRoundRectangle: {
        const int corner = Curve != 0 ? Round(Curve * FScaleX * 10) : std::min(FDX, FDY) / 4;
        region = TRegion::FromRoundRect(box, corner, corner);
        break;
      }
      case skEllipse: region = TRegion::FromEllipse(box); break;
      case skTriangle: {
        const TPoint p[] = {{FX1, FY1}, {FX, FY1}, {FX + FDX / 2, FY}};
        region = TRegion::FromPolygon(p, TFillRule::frAlternate);
        break;
      }
      case skDiamond: {
        const TPoint p[] = {{FX + FDX / 2, FY}, {FX1, FY + FDY / 2}, {FX + FDX / 2, FY1}, {FX, FY + FDY / 2}};
        region = TRegion::FromPolygon(p, TFillRule::frAlternate);
        break;
      }
      default: break;
    }
    canvas.SaveDC();
    if (const TRegion* clip = canvas.ClipRegion()) region.Combine(*clip, TRegionOp::roIntersect);
    canvas.SelectClipRgn(&region);
    int l, t, r, b;
    BackgroundRect(l, t, r, b);
    GetFill()->Draw(canvas, l, t, r, b, FScaleX, FScaleY);
    canvas.RestoreDC();
  }
  canvas.SetBrush(clear);
  Outline();
}
