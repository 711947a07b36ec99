// Check boxes and gradient rectangles.
#include "document/qdxCheckBoxView.h"
#include "document/qdxDrawing.h"
#include "document/qdxGradientView.h"

#include <algorithm>
#include <cmath>

namespace {

int Round(double v) { return static_cast<int>(std::nearbyint(v)); }

}  // namespace

void TqdxCheckBoxView::DrawSymbolMark(bool check) {
  // The symbol font's cross and check mark are not installed here: the same
  // figures are drawn as strokes in a character cell of the same height,
  // centred across the box and clipped to it.
  TCanvas& canvas = *FCanvas;
  const int height = FY1 - FY;
  if (height <= 0) return;
  const int cell = Round(height * 0.8);
  const double left = FX + (FX1 - FX - cell) / 2, top = FY;
  auto at = [&](double fx, double fy) { return TPoint{Round(left + fx * height), Round(top + fy * height)}; };
  TPen pen = qdxMakePen(CheckColor, std::max(1, Round(height * 0.13)));
  pen.Geometric = true;
  pen.EndCap = TPenEndCap::pecRound;
  pen.Join = TPenJoin::pjRound;
  canvas.SaveDC();
  canvas.IntersectClipRect(TRect{FX, FY, FX1, FY1});
  canvas.SetPen(pen);
  if (check) {
    const TPoint p[] = {at(0.12, 0.50), at(0.32, 0.74), at(0.68, 0.22)};
    canvas.Polyline(p);
  } else {
    const TPoint a[] = {at(0.16, 0.24), at(0.64, 0.74)};
    const TPoint b[] = {at(0.64, 0.24), at(0.16, 0.74)};
    canvas.Polyline(a);
    canvas.Polyline(b);
  }
  canvas.RestoreDC();
}

void TqdxCheckBoxView::Draw(TCanvas& canvas, double scaleX, double scaleY, double offsetX, double offsetY) {
  BeginDraw(canvas, scaleX, scaleY, offsetX, offsetY);
  DrawBackground();
  if (CheckColor != clNone) {
    enum { None, Cross, Check, Lines, Plus, Minus } mark = None;
    if (Checked) {
      switch (CheckStyle) {
        case csCross: mark = Cross; break;
        case csCheck: mark = Check; break;
        case csLineCross: mark = Lines; break;
        case csPlus: mark = Plus; break;
      }
    } else {
      switch (UncheckStyle) {
        case usEmpty: break;
        case usCross: mark = Cross; break;
        case usLineCross: mark = Lines; break;
        case usMinus: mark = Minus; break;
      }
    }
    canvas.SetPen(qdxMakePen(CheckColor, 1));
    const int mx = FX + (FX1 - FX) / 2, my = FY + (FY1 - FY) / 2;
    switch (mark) {
      case None: break;
      case Cross: DrawSymbolMark(false); break;
      case Check: DrawSymbolMark(true); break;
      case Lines:
        qdxThickLine(canvas, FX, FY, FX1, FY1, FFrameWidth);
        qdxThickLine(canvas, FX, FY1, FX1, FY, FFrameWidth);
        break;
      case Plus:
        qdxThickLine(canvas, FX + 3, my, FX1 - 2, my, FFrameWidth);
        qdxThickLine(canvas, mx, FY + 3, mx, FY1 - 2, FFrameWidth);
        break;
      case Minus: qdxThickLine(canvas, FX + 3, my, FX1 - 2, my, FFrameWidth); break;
    }
  }
  DrawFrame();
}

void TqdxGradientView::Draw(TCanvas& canvas, double scaleX, double scaleY, double offsetX, double offsetY) {
  BeginDraw(canvas, scaleX, scaleY, offsetX, offsetY);
  qdxDrawGradient(canvas, FX, FY, FX1, FY1, BeginColor, EndColor, Style);
  DrawFrame();
}
