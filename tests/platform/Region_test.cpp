#include "platform/Region.h"

#include <gtest/gtest.h>

#include <vector>

TEST(Region, CombineOperations) {
  TRegion a(TRect{0, 0, 10, 10});
  TRegion b(TRect{5, 5, 15, 15});
  struct TCase {
    TRegionOp Op;
    std::vector<TRect> Rects;
  } cases[] = {
      {TRegionOp::roIntersect, {{5, 5, 10, 10}}},
      {TRegionOp::roUnion, {{0, 0, 10, 5}, {0, 5, 15, 10}, {5, 10, 15, 15}}},
      {TRegionOp::roDifference, {{0, 0, 10, 5}, {0, 5, 5, 10}}},
      {TRegionOp::roXor, {{0, 0, 10, 5}, {0, 5, 5, 10}, {10, 5, 15, 10}, {5, 10, 15, 15}}},
      {TRegionOp::roCopy, {{5, 5, 15, 15}}},
  };
  for (const TCase& c : cases) {
    TRegion r = Combined(a, b, c.Op);
    EXPECT_EQ(r.Rects(), c.Rects) << int(c.Op);
    EXPECT_EQ(r, TRegion(c.Rects)) << int(c.Op);
  }
  EXPECT_TRUE(Combined(a, TRegion(TRect{20, 20, 30, 30}), TRegionOp::roIntersect).IsEmpty());
}

TEST(Region, OffsetBoundsContainsAndEmptyInputs) {
  TRegion r(std::vector<TRect>{{0, 0, 2, 2}, {4, 0, 6, 2}, {3, 3, 3, 9}});  // the last is empty
  r.Offset(10, -1);
  EXPECT_EQ(r.Rects(), (std::vector<TRect>{{10, -1, 12, 1}, {14, -1, 16, 1}}));
  EXPECT_EQ(r.Bounds(), (TRect{10, -1, 16, 1}));
  EXPECT_TRUE(r.Contains(10, -1));
  EXPECT_FALSE(r.Contains(12, 0));  // right edge excluded
  EXPECT_FALSE(r.Contains(13, 0));
  EXPECT_TRUE(TRegion(TRect{5, 5, 5, 9}).IsEmpty());
  EXPECT_EQ(TRegion().Bounds(), TRect{});
  TRegion moved(std::move(r));
  EXPECT_TRUE(r.IsEmpty());  // NOLINT: a moved-from region is empty and usable
  r = moved;
  EXPECT_EQ(r, moved);
}

TEST(Region, ShapesGiveThePixelsTheirFillsPaint) {
  // Polygon: same half-open rule as fills.
  std::vector<TPoint> square{{0, 0}, {4, 0}, {4, 3}, {0, 3}};
  EXPECT_EQ(TRegion::FromPolygon(square, TFillRule::frAlternate).Rects(), (std::vector<TRect>{{0, 0, 4, 3}}));
  // Two overlapping squares drawn as one contour: the overlap is a hole under
  // the alternate rule and filled under winding.
  std::vector<TPoint> twice{{0, 0}, {4, 0}, {4, 4}, {0, 4}, {0, 0}, {2, 2}, {6, 2}, {6, 6}, {2, 6}, {2, 2}};
  EXPECT_FALSE(TRegion::FromPolygon(twice, TFillRule::frAlternate).Contains(3, 3));
  EXPECT_TRUE(TRegion::FromPolygon(twice, TFillRule::frWinding).Contains(3, 3));
  TRegion e = TRegion::FromEllipse(TRect{0, 0, 11, 11});
  EXPECT_EQ(e.Bounds(), (TRect{0, 0, 10, 10}));
  EXPECT_TRUE(e.Contains(5, 5));
  EXPECT_FALSE(e.Contains(0, 0));
  TRegion rr = TRegion::FromRoundRect(TRect{0, 0, 21, 11}, 6, 6);
  EXPECT_EQ(rr.Bounds(), (TRect{0, 0, 20, 10}));
  EXPECT_TRUE(rr.Contains(10, 0));
  EXPECT_FALSE(rr.Contains(0, 0));
}
