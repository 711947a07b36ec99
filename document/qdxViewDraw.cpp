// The drawing rectangle, background and frame every view shares.
#include "document/qdxDrawing.h"
#include "document/qdxView.h"

#include "platform/MetafileCanvas.h"
#include "platform/RasterCanvas.h"
#include "platform/VectorCanvas.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>

namespace {

int Round(double v) { return static_cast<int>(std::nearbyint(v)); }

// Moves the end (x, y) of a segment towards (or, for negative d, away from)
// the other end (ox, oy) by d pixels along the segment's axis.
void Shorten(int& x, int& y, int ox, int oy, int d) {
  if (x != ox) x += x < ox ? d : -d;
  else if (y != oy) y += y < oy ? d : -d;
}

struct TSegment {
  int X0, Y0, X1, Y1;
};

void Line(TCanvas& canvas, const TSegment& s) {
  canvas.MoveTo(s.X0, s.Y0);
  canvas.LineTo(s.X1, s.Y1);
}

TPen SolidGeometricPen(TqdxColor color, int w) {
  TPen pen = qdxMakePen(color, std::max(w, 1));
  pen.Geometric = true;
  pen.EndCap = TPenEndCap::pecSquare;
  pen.Join = TPenJoin::pjMiter;
  return pen;
}

}  // namespace

void TqdxReportComponent::Draw(TCanvas&, double, double, double, double) {}

void TqdxView::Draw(TCanvas& canvas, double scaleX, double scaleY, double offsetX, double offsetY) {
  BeginDraw(canvas, scaleX, scaleY, offsetX, offsetY);
  DrawBackground();
  DrawFrame();
}

std::string TqdxView::GetVectorGraphic(bool drawFill) {
  TMetafileCanvas canvas(std::max(1, Round(std::fabs(GetWidth()))), std::max(1, Round(std::fabs(GetHeight()))));
  struct TMode {
    TqdxView& V;
    TMode(TqdxView& v, bool fill) : V(v) {
      V.FMetafileMode = true;
      V.FMetafileFill = fill;
    }
    ~TMode() { V.FMetafileMode = V.FMetafileFill = false; }
  } mode(*this, drawFill);
  Draw(canvas, 1, 1, -AbsLeft(), -AbsTop());
  return canvas.Finish();
}

std::unique_ptr<TVectorCanvas> TqdxView::GetVectorCanvas() {
  auto recorder = std::make_unique<TVectorCanvas>();
  // Only the text records are wanted: the view paints onto a second recorder,
  // which keeps nothing, instead of a bitmap of its size (a large object
  // would ask for hundreds of megabytes).
  TVectorCanvas canvas;
  FVectorCanvas = recorder.get();
  try {
    Draw(canvas, 1, 1, -AbsLeft(), -AbsTop());
  } catch (...) {
    FVectorCanvas = nullptr;
    throw;
  }
  FVectorCanvas = nullptr;
  return recorder;
}

void TqdxView::BeginDraw(TCanvas& canvas, double scaleX, double scaleY, double offsetX, double offsetY) {
  FCanvas = &canvas;
  FScaleX = scaleX;
  FScaleY = scaleY;
  FOffsetX = offsetX;
  FOffsetY = offsetY;
  const double left = AbsLeft(), top = AbsTop();
  FX = Round(offsetX + scaleX * left);
  FY = Round(offsetY + scaleY * top);
  FX1 = Round(offsetX + scaleX * (left + GetWidth()));
  FY1 = Round(offsetY + scaleY * (top + GetHeight()));
  const TqdxFrame& frame = *GetFrame();
  if (frame.DropShadow) {
    FX1 -= Round(scaleX * frame.ShadowWidth);
    FY1 -= Round(scaleY * frame.ShadowWidth);
  }
  FDX = FX1 - FX;
  FDY = FY1 - FY;
  FFrameWidth = Round(scaleX * frame.GetWidth());
}

void TqdxView::BackgroundRect(int& left, int& top, int& right, int& bottom) const {
  const TqdxFrame& frame = *GetFrame();
  const double e = frame.GetWidth() * FScaleX, h = frame.GetWidth() * FScaleY;
  left = FX - (frame.HasSide(ftLeft) ? Round(e / 2) : 0);
  top = FY - (frame.HasSide(ftTop) ? Round(h / 2) : 0);
  right = FX1 + (frame.HasSide(ftRight) ? Round(e / 2) + Round(e) % 2 : 0);
  bottom = FY1 + (frame.HasSide(ftBottom) ? Round(h / 2) + Round(h) % 2 : 0);
}

void TqdxView::DrawBackground() {
  if (FCanvas == nullptr || (FMetafileMode && !FMetafileFill)) return;
  int l, t, r, b;
  BackgroundRect(l, t, r, b);
  GetFill()->Draw(*FCanvas, l, t, r, b, FScaleX, FScaleY);
}

void TqdxView::DrawFrame() {
  if (FCanvas == nullptr || FMetafileMode) return;
  TCanvas& canvas = *FCanvas;
  const TqdxFrame& frame = *GetFrame();
  canvas.SetBkMode(TBkMode::bkTransparent);

  if (frame.DropShadow && frame.ShadowColor != clNone) {
    canvas.SetPen(qdxMakePen(frame.ShadowColor, 1));
    const int s = Round(frame.ShadowWidth * FScaleX), t = Round(frame.ShadowWidth * FScaleY);
    // A shadow that rounds to nothing took nothing off the rectangle either.
    if (s > 0) qdxThickLine(canvas, FX1 + s / 2, FY + s, FX1 + s / 2, FY1, s);
    if (t > 0) qdxThickLine(canvas, FX + t, FY1 + t / 2, FX1 + t, FY1 + t / 2, t);
  }
  if (frame.Typ == 0 || frame.GetColor() == clNone || frame.GetWidth() == 0) return;

  struct TSide {
    TqdxFrameType Type;
    const TqdxFrameLine* Line;
  };
  const TSide sides[] = {{ftLeft, frame.GetLeftLine()},
                         {ftRight, frame.GetRightLine()},
                         {ftTop, frame.GetTopLine()},
                         {ftBottom, frame.GetBottomLine()}};
  const bool frameSolid = frame.GetStyle() == fsSolid;
  for (const TSide& side : sides) {
    if (!frame.HasSide(side.Type)) continue;
    const TqdxFrameLine& line = *side.Line;
    if (line.Color == clNone) continue;
    const TqdxFrameStyle style = line.Style;
    const int w = Round(line.Width * FScaleX);
    const bool solid = style == fsSolid || style == fsDouble;
    const int penWidth = solid ? w : 1;
    const bool vertical = side.Type == ftLeft || side.Type == ftRight;
    TSegment seg{};
    switch (side.Type) {
      case ftLeft: seg = {FX, FY - (penWidth == 2 && !frameSolid ? 1 : 0), FX, FY1}; break;
      case ftRight: seg = {FX1, FY, FX1, FY1}; break;
      case ftTop: seg = {FX, FY, FX1, FY}; break;
      case ftBottom: seg = {FX, FY1, FX1 + (penWidth == 1 && !frameSolid ? 1 : 0), FY1}; break;
    }
    const bool startJoined = frame.HasSide(vertical ? ftTop : ftLeft);
    const bool endJoined = frame.HasSide(vertical ? ftBottom : ftRight);

    if (solid) {
      // Flush with an open corner, half the width into a framed one (the
      // square cap supplies that half).
      TSegment s = seg;
      if (!startJoined) Shorten(s.X0, s.Y0, seg.X1, seg.Y1, w / 2);
      if (!endJoined) Shorten(s.X1, s.Y1, seg.X0, seg.Y0, w / 2);
      canvas.SetPen(SolidGeometricPen(line.Color, w));
      if (style == fsSolid) {
        Line(canvas, s);
        continue;
      }
      // Double: a line w outside and one w inside the side's own line; the
      // outer one runs on round framed corners, the inner one stops short.
      const int out = (side.Type == ftLeft || side.Type == ftTop) ? -w : w;
      TSegment outer = s, inner = s;
      if (vertical) {
        outer.X0 += out, outer.X1 += out;
        inner.X0 -= out, inner.X1 -= out;
      } else {
        outer.Y0 += out, outer.Y1 += out;
        inner.Y0 -= out, inner.Y1 -= out;
      }
      if (startJoined) {
        Shorten(outer.X0, outer.Y0, outer.X1, outer.Y1, -w);
        Shorten(inner.X0, inner.Y0, inner.X1, inner.Y1, w);
      }
      if (endJoined) {
        Shorten(outer.X1, outer.Y1, outer.X0, outer.Y0, -w);
        Shorten(inner.X1, inner.Y1, inner.X0, inner.Y0, w);
      }
      Line(canvas, outer);
      Line(canvas, inner);
    } else if (style == fsAltDot || style == fsSquare) {
      canvas.SetPen(qdxPatternPen(style, line.Color, w));
      Line(canvas, seg);
    } else {
      canvas.SetPen(qdxMakePen(line.Color, 1, qdxPenStyleOf(style)));
      qdxThickLine(canvas, seg.X0, seg.Y0, seg.X1, seg.Y1, w);
    }
  }
}
