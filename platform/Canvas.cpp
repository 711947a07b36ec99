#include "platform/Canvas.h"

bool HatchPixel(TBrushStyle style, int x, int y) {
  int px = x & 7, py = y & 7;
  switch (style) {
    case TBrushStyle::bsHorizontal: return py == 0;
    case TBrushStyle::bsVertical: return px == 0;
    case TBrushStyle::bsFDiagonal: return px == py;           // "\": down to the right
    case TBrushStyle::bsBDiagonal: return px + py == 7;       // "/": rising to the right
    case TBrushStyle::bsCross: return px == 0 || py == 0;
    case TBrushStyle::bsDiagCross: return px == py || px + py == 7;
    case TBrushStyle::bsSolid: return true;
    case TBrushStyle::bsClear: return false;
  }
  return false;
}

void TCanvas::IntersectClipRect(const TRect& rect) {
  TRegion r(rect.Normalized());
  if (FState.Clip)
    FState.Clip->Combine(r, TRegionOp::roIntersect);
  else
    FState.Clip = std::move(r);
  ClipChanged();
}

void TCanvas::ExcludeClipRect(const TRect& rect) {
  if (!FState.Clip)
    // Unclipped means everything a coordinate can address.
    FState.Clip = TRegion(TRect{INT32_MIN / 2, INT32_MIN / 2, INT32_MAX / 2, INT32_MAX / 2});
  FState.Clip->Combine(TRegion(rect.Normalized()), TRegionOp::roDifference);
  ClipChanged();
}

void TCanvas::SelectClipRgn(const TRegion* region) {
  if (region)
    FState.Clip = *region;
  else
    FState.Clip.reset();
  ClipChanged();
}

int TCanvas::SaveDC() {
  FSaved.push_back(FState);
  return int(FSaved.size());
}

void TCanvas::RestoreDC(int level) {
  int depth = int(FSaved.size());
  int target = level < 0 ? depth + level + 1 : level;
  if (target < 1 || target > depth)
    return;
  FState = std::move(FSaved[size_t(target - 1)]);
  FSaved.resize(size_t(target - 1));
  ClipChanged();
}

void TCanvas::FillRect(const TRect& rect, const TBrush& brush) {
  TBrush old = FState.Brush;
  SetBrush(brush);
  FillRect(rect);
  SetBrush(old);
}
