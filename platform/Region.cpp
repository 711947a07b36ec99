#include "platform/Region.h"

#include "platform/Rasterizer.h"

#include <cstring>
#include <new>
#include <pixman.h>

static_assert(sizeof(pixman_region32_t) <= 24 && alignof(pixman_region32_t) <= 8);

namespace {

void Check(pixman_bool_t ok) {
  if (!ok)
    throw std::bad_alloc();
}

}  // namespace

pixman_region32_t* TRegion::R() { return std::launder(reinterpret_cast<pixman_region32_t*>(FStorage)); }
const pixman_region32_t* TRegion::R() const {
  return std::launder(reinterpret_cast<const pixman_region32_t*>(FStorage));
}

TRegion::TRegion() { pixman_region32_init(new (FStorage) pixman_region32_t); }

TRegion::TRegion(const TRect& rect) : TRegion() {
  if (!rect.IsEmpty()) {
    pixman_region32_fini(R());
    pixman_region32_init_rect(R(), rect.Left, rect.Top, unsigned(rect.Width()), unsigned(rect.Height()));
  }
}

TRegion::TRegion(std::span<const TRect> rects) : TRegion() {
  std::vector<pixman_box32_t> boxes;
  boxes.reserve(rects.size());
  for (const TRect& r : rects)
    if (!r.IsEmpty())
      boxes.push_back(pixman_box32_t{r.Left, r.Top, r.Right, r.Bottom});
  if (boxes.empty())
    return;
  pixman_region32_fini(R());
  if (!pixman_region32_init_rects(R(), boxes.data(), int(boxes.size()))) {
    pixman_region32_init(R());
    throw std::bad_alloc();
  }
}

TRegion::TRegion(const TRegion& other) : TRegion() {
  if (!pixman_region32_copy(R(), other.R())) {
    pixman_region32_fini(R());
    throw std::bad_alloc();
  }
}

// The region data is a plain struct plus an owned pointer: moving hands the
// pointer over and leaves the source empty.
TRegion::TRegion(TRegion&& other) noexcept {
  std::memcpy(FStorage, other.FStorage, sizeof(FStorage));
  pixman_region32_init(other.R());
}

TRegion& TRegion::operator=(const TRegion& other) {
  if (this != &other)
    Check(pixman_region32_copy(R(), other.R()));
  return *this;
}

TRegion& TRegion::operator=(TRegion&& other) noexcept {
  if (this != &other) {
    unsigned char tmp[sizeof(FStorage)];
    std::memcpy(tmp, FStorage, sizeof(tmp));
    std::memcpy(FStorage, other.FStorage, sizeof(tmp));
    std::memcpy(other.FStorage, tmp, sizeof(tmp));
  }
  return *this;
}

TRegion::~TRegion() { pixman_region32_fini(R()); }

TRegion TRegion::FromPolygons(std::span<const std::vector<TPointF>> contours, TFillRule rule) {
  std::vector<TSpan> spans;
  RasterizePolygons(contours, rule, TRect{INT32_MIN / 4, INT32_MIN / 4, INT32_MAX / 4, INT32_MAX / 4}, spans);
  std::vector<TRect> rects;
  rects.reserve(spans.size());
  for (const TSpan& s : spans)
    rects.push_back(TRect{s.X0, s.Y, s.X1, s.Y + 1});
  return TRegion(rects);
}

TRegion TRegion::FromPolygon(std::span<const TPoint> points, TFillRule rule) {
  std::vector<std::vector<TPointF>> contour(1);
  for (const TPoint& p : points)
    contour[0].push_back(TPointF{double(p.X), double(p.Y)});
  return FromPolygons(contour, rule);
}

namespace {

TRegion FromRowSpans(const std::vector<TSpan>& spans) {
  std::vector<TRect> rects;
  rects.reserve(spans.size());
  for (const TSpan& s : spans)
    rects.push_back(TRect{s.X0, s.Y, s.X1, s.Y + 1});
  return TRegion(rects);
}

}  // namespace

TRegion TRegion::FromEllipse(const TRect& box) {
  std::vector<TSpan> spans;
  TRect b = box.Normalized();
  EllipseSpans(b.Left, b.Top, b.Right - 2, b.Bottom - 2, spans);
  return FromRowSpans(spans);
}

TRegion TRegion::FromRoundRect(const TRect& box, int ellipseWidth, int ellipseHeight) {
  std::vector<TSpan> spans;
  TRect b = box.Normalized();
  RoundRectSpans(b.Left, b.Top, b.Right - 2, b.Bottom - 2, ellipseWidth, ellipseHeight, spans);
  return FromRowSpans(spans);
}

void TRegion::Combine(const TRegion& other, TRegionOp op) {
  pixman_region32_t* me = R();
  const pixman_region32_t* o = other.R();
  switch (op) {
    case TRegionOp::roIntersect: Check(pixman_region32_intersect(me, me, o)); break;
    case TRegionOp::roUnion: Check(pixman_region32_union(me, me, o)); break;
    case TRegionOp::roDifference: Check(pixman_region32_subtract(me, me, o)); break;
    case TRegionOp::roCopy: Check(pixman_region32_copy(me, o)); break;
    case TRegionOp::roXor: {
      // (a - b) + (b - a)
      TRegion other2(other);
      Check(pixman_region32_subtract(other2.R(), other2.R(), me));
      Check(pixman_region32_subtract(me, me, o));
      Check(pixman_region32_union(me, me, other2.R()));
      break;
    }
  }
}

void TRegion::Offset(int dx, int dy) { pixman_region32_translate(R(), dx, dy); }

bool TRegion::IsEmpty() const { return !pixman_region32_not_empty(R()); }

bool TRegion::Contains(int x, int y) const {
  return pixman_region32_contains_point(R(), x, y, nullptr);
}

TRect TRegion::Bounds() const {
  if (IsEmpty())
    return TRect{};
  const pixman_box32_t* e = pixman_region32_extents(R());
  return TRect{e->x1, e->y1, e->x2, e->y2};
}

std::vector<TRect> TRegion::Rects() const {
  int n = 0;
  const pixman_box32_t* boxes = pixman_region32_rectangles(R(), &n);
  std::vector<TRect> out;
  out.reserve(size_t(n));
  for (int i = 0; i < n; ++i)
    out.push_back(TRect{boxes[i].x1, boxes[i].y1, boxes[i].x2, boxes[i].y2});
  return out;
}

bool operator==(const TRegion& a, const TRegion& b) {
  return pixman_region32_equal(a.R(), b.R());
}

TRegion Combined(const TRegion& a, const TRegion& b, TRegionOp op) {
  TRegion r(a);
  r.Combine(b, op);
  return r;
}
