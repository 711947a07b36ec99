// Lines: straight ones draw as a one-sided frame, diagonal ones as a thick
// line; either may end in arrow heads.
#include "document/qdxDrawing.h"
#include "document/qdxLineView.h"

#include <cmath>
#include <cstdlib>

namespace {

int Round(double v) { return static_cast<int>(std::nearbyint(v)); }

}  // namespace

void TqdxCustomLineView::Normalize() {
  if (Diagonal) return;
  // Compared by size: a line drawn leftwards or upwards has a negative
  // width or height and must not lose its length to the other axis.
  if (std::fabs(GetWidth()) <= std::fabs(GetHeight())) {
    SetWidth(0);
    GetFrame()->Typ = static_cast<TqdxFrameTypes>(qdxBit(ftLeft));
  } else {
    SetHeight(0);
    GetFrame()->Typ = static_cast<TqdxFrameTypes>(qdxBit(ftTop));
  }
}

void TqdxCustomLineView::Draw(TCanvas& canvas, double scaleX, double scaleY, double offsetX, double offsetY) {
  Normalize();
  BeginDraw(canvas, scaleX, scaleY, offsetX, offsetY);
  const TqdxFrame& frame = *GetFrame();
  if (!Diagonal) {
    DrawFrame();
  } else if (frame.GetColor() != clNone && frame.GetWidth() != 0) {
    const TqdxColor color = GetColor();
    canvas.SetBrush(color == clNone ? TBrush{TBrushStyle::bsClear, clBlackRGB}
                                    : TBrush{TBrushStyle::bsSolid, qdxCanvasColor(color)});
    canvas.SetBkMode(TBkMode::bkTransparent);
    canvas.SetPen(qdxMakePen(frame.GetColor(), 1, qdxPenStyleOf(frame.GetStyle())));
    qdxThickLine(canvas, FX, FY, FX1, FY1, FFrameWidth);
  }
  if (frame.GetColor() == clNone) return;
  if (ArrowStart) DrawArrow(FX, FY, FX1, FY1);
  if (ArrowEnd) DrawArrow(FX1, FY1, FX, FY);
}

void TqdxCustomLineView::DrawArrow(int tipX, int tipY, int otherX, int otherY) {
  TCanvas& canvas = *FCanvas;
  const TqdxFrame& frame = *GetFrame();
  const double length = ArrowLength * FScaleX, width = ArrowWidth * FScaleX;
  double bx, by, w1x, w1y, w2x, w2y;
  if (std::abs(tipX - otherX) <= 8) {
    // Nearly vertical: the head points straight up or down.
    bx = tipX;
    by = otherY >= tipY ? tipY + length : tipY - length;
    w1x = bx - width, w1y = by;
    w2x = bx + width, w2y = by;
  } else {
    // The base lies on the line towards the other end; a line shorter than
    // the head gets the whole head, reaching past its other end.
    const double angle = std::atan2(double(otherY - tipY), double(otherX - tipX));
    const double s = std::sin(angle), c = std::cos(angle);
    bx = tipX + length * c;
    by = tipY + length * s;
    w1x = bx + s * width, w1y = by - c * width;
    w2x = bx - s * width, w2y = by + c * width;
  }
  const TPoint points[] = {{Round(w1x), Round(w1y)}, {tipX, tipY}, {Round(w2x), Round(w2y)}};
  if (ArrowSolid) {
    canvas.SetPen(qdxMakePen(frame.GetColor(), 1));
    canvas.SetBrush(TBrush{TBrushStyle::bsSolid, qdxCanvasColor(frame.GetColor())});
    canvas.Polygon(points);
  } else {
    canvas.SetPen(qdxMakePen(frame.GetColor(), Round(frame.GetWidth() * FScaleX)));
    canvas.Polyline(points);
  }
}
