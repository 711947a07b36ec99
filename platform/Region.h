#pragma once
// Clip regions: sets of pixels kept as y-x banded lists of rectangles.

#include "platform/GraphicsTypes.h"

#include <span>
#include <vector>

struct pixman_region32;

enum class TRegionOp { roIntersect, roUnion, roXor, roDifference, roCopy };
enum class TFillRule { frAlternate, frWinding };

class TRegion {
public:
  TRegion();                              // empty
  explicit TRegion(const TRect& rect);    // empty when the rectangle is
  explicit TRegion(std::span<const TRect> rects);  // union of the rectangles
  TRegion(const TRegion& other);
  TRegion(TRegion&& other) noexcept;
  TRegion& operator=(const TRegion& other);
  TRegion& operator=(TRegion&& other) noexcept;
  ~TRegion();

  // Pixels whose sample point lies inside the polygons under the fill rule
  // (the same pixels a polygon fill paints).
  static TRegion FromPolygons(std::span<const std::vector<TPointF>> contours, TFillRule rule);
  static TRegion FromPolygon(std::span<const TPoint> points, TFillRule rule);
  // The pixels an ellipse or rounded rectangle without outline fills.
  static TRegion FromEllipse(const TRect& box);
  static TRegion FromRoundRect(const TRect& box, int ellipseWidth, int ellipseHeight);

  // this := this op other; roCopy makes this a copy of other.
  void Combine(const TRegion& other, TRegionOp op);
  void Offset(int dx, int dy);

  bool IsEmpty() const;
  bool Contains(int x, int y) const;
  TRect Bounds() const;  // all zero when empty
  // The rectangles, sorted by top then left, disjoint.
  std::vector<TRect> Rects() const;

  friend bool operator==(const TRegion& a, const TRegion& b);

private:
  // The pixman region lives in place so that moving and copying cost no extra
  // allocation; its layout stays out of this header.
  alignas(8) unsigned char FStorage[24];
  pixman_region32* R();
  const pixman_region32* R() const;
};

TRegion Combined(const TRegion& a, const TRegion& b, TRegionOp op);
