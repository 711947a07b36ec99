#pragma once
// Turns a path stroked with a geometric pen into polygons: one per segment,
// cap and join, all wound the same way so that filling them with the winding
// rule paints their union.

#include "platform/Canvas.h"

#include <vector>

struct TStrokeStyle {
  double Width = 1;
  TPenEndCap Cap = TPenEndCap::pecRound;
  TPenJoin Join = TPenJoin::pjRound;
  std::vector<double> Dashes;  // on, off, ... along the path; empty: solid
  double MiterLimit = 10;      // longest miter as a multiple of half the width
};

// The stroke style of a geometric pen (dash lengths scaled by its width).
TStrokeStyle StrokeStyleOf(const TPen& pen);
// The on/off pixel counts of a cosmetic pen's style; empty for solid.
std::vector<int> CosmeticDashes(TPenStyle style);

void StrokePath(const std::vector<TPointF>& points, bool closed, const TStrokeStyle& style,
                std::vector<std::vector<TPointF>>& out);
