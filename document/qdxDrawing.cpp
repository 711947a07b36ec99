#include "document/qdxDrawing.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <mutex>

namespace {

int Trunc(double v) { return static_cast<int>(v); }

std::mutex GMessageLock;
std::vector<std::string> GMessages;
constexpr size_t MaxMessages = 200;

void Fill(TCanvas& canvas, int l, int t, int r, int b, TqdxColor color) {
  canvas.FillRect(TRect{l, t, r, b}, TBrush{TBrushStyle::bsSolid, qdxCanvasColor(color)});
}

}  // namespace

TColor qdxCanvasColor(TqdxColor color) { return static_cast<TColor>(qdxColorToRGB(color)) & 0xFFFFFFu; }

TPen qdxMakePen(TqdxColor color, int width, TPenStyle style) {
  TPen pen;
  pen.Width = width;
  if (color == clNone) {
    pen.Style = TPenStyle::psClear;
    return pen;
  }
  pen.Style = style;
  pen.Color = qdxCanvasColor(color);
  return pen;
}

TPenStyle qdxPenStyleOf(TqdxFrameStyle style) {
  switch (style) {
    case fsDash: return TPenStyle::psDash;
    case fsDot: return TPenStyle::psDot;
    case fsDashDot: return TPenStyle::psDashDot;
    case fsDashDotDot: return TPenStyle::psDashDotDot;
    case fsAltDot: return TPenStyle::psDot;
    case fsSquare: return TPenStyle::psDot;
    case fsSolid:
    case fsDouble: break;
  }
  return TPenStyle::psSolid;
}

TPen qdxPatternPen(TqdxFrameStyle style, TqdxColor color, int w) {
  TPen pen = qdxMakePen(color, std::max(w, 1));
  if (pen.Style == TPenStyle::psClear) return pen;
  pen.Style = TPenStyle::psUserStyle;
  pen.Geometric = true;
  pen.Join = TPenJoin::pjMiter;
  if (w <= 1) {
    pen.Dashes = {1, 1};
    pen.EndCap = TPenEndCap::pecFlat;
  } else if (style == fsAltDot) {
    pen.Dashes = {0, 2 * w};
    pen.EndCap = TPenEndCap::pecRound;
  } else {
    pen.Dashes = {w, w};
    pen.EndCap = TPenEndCap::pecFlat;
  }
  return pen;
}

void qdxThickLine(TCanvas& canvas, int x1, int y1, int x2, int y2, int thickness) {
  const int t = std::max(thickness, 1);
  const bool acrossY = std::abs(y2 - y1) < std::abs(x2 - x1);
  for (int d = -(t / 2); d <= t - 1 - t / 2; ++d) {
    if (acrossY) {
      canvas.MoveTo(x1, y1 + d);
      canvas.LineTo(x2, y2 + d);
    } else {
      canvas.MoveTo(x1 + d, y1);
      canvas.LineTo(x2 + d, y2);
    }
  }
}

TqdxColor qdxGradientColor(TqdxColor start, TqdxColor end, int k, int n) {
  const TColor s = qdxCanvasColor(start), e = qdxCanvasColor(end);
  if (n == 0) return static_cast<TqdxColor>(s);
  auto channel = [&](uint8_t a, uint8_t b) { return a + qdxMulDiv(k, int(b) - int(a), n); };
  return static_cast<TqdxColor>(RGBColor(uint8_t(channel(GetRValue(s), GetRValue(e))),
                                         uint8_t(channel(GetGValue(s), GetGValue(e))),
                                         uint8_t(channel(GetBValue(s), GetBValue(e)))));
}

void qdxDrawGradient(TCanvas& canvas, int left, int top, int right, int bottom, TqdxColor start, TqdxColor end,
                     TqdxGradientStyle style) {
  const int w = right - left, h = bottom - top;
  if (w <= 0 || h <= 0) return;
  switch (style) {
    case gsHorizontal:
      for (int k = 0; k < 256; ++k)
        Fill(canvas, left + qdxMulDiv(k, w, 256), top, left + qdxMulDiv(k + 1, w, 256), bottom,
             qdxGradientColor(start, end, k, 255));
      break;
    case gsVertical:
      for (int k = 0; k < 256; ++k)
        Fill(canvas, left, top + qdxMulDiv(k, h, 256), right, top + qdxMulDiv(k + 1, h, 256),
             qdxGradientColor(start, end, k, 255));
      break;
    case gsElliptic: {
      canvas.SaveDC();
      canvas.IntersectClipRect(TRect{left, top, right, bottom});
      canvas.SetPen(qdxMakePen(clNone, 1));
      double l = left - w / 4.0, t = top - h / 4.0, r = right + w / 4.0, b = bottom + h / 4.0;
      const double sx = (w / 4.0 + w / 2.0) / 155, sy = (h / 4.0 + h / 2.0) / 155;
      for (int k = 0; k < 156; ++k) {
        l += sx;
        t += sy;
        r -= sx;
        b -= sy;
        canvas.SetBrush(TBrush{TBrushStyle::bsSolid, qdxCanvasColor(qdxGradientColor(start, end, k, 155))});
        canvas.Ellipse(Trunc(l), Trunc(t), Trunc(r), Trunc(b));
      }
      canvas.RestoreDC();
      break;
    }
    case gsRectangle: {
      // Every side moves in by the same whole number of pixels: truncating
      // the moving right and bottom edges on their own would leave the last
      // two columns and rows of the rectangle unpainted.
      const double sx = w / 2.0 / 255, sy = h / 2.0 / 255;
      for (int k = 0; k < 256; ++k) {
        const int dx = Trunc((k + 1) * sx), dy = Trunc((k + 1) * sy);
        if (left + dx >= right - dx || top + dy >= bottom - dy) break;
        Fill(canvas, left + dx, top + dy, right - dx, bottom - dy, qdxGradientColor(start, end, k, 255));
      }
      break;
    }
    case gsVertCenter: {
      // One pixel high, half is 0: the only row takes the start colour.
      const int half = h / 2;
      for (int k = 0; k <= half; ++k) {
        const TqdxColor c = qdxGradientColor(start, end, k, half);
        Fill(canvas, left, top + k, right, top + k + 1, c);
        Fill(canvas, left, top + h - k - 1, right, top + h - k, c);
      }
      break;
    }
    case gsHorizCenter: {
      const int half = w / 2;
      for (int k = 0; k <= half; ++k) {
        const TqdxColor c = qdxGradientColor(start, end, k, half);
        Fill(canvas, left + k, top, left + k + 1, bottom, c);
        Fill(canvas, left + w - k - 1, top, left + w - k, bottom, c);
      }
      break;
    }
  }
}

void qdxDrawMessage(const std::string& message) {
  std::lock_guard<std::mutex> lock(GMessageLock);
  if (GMessages.size() < MaxMessages) GMessages.push_back(message);
}

std::vector<std::string> qdxTakeDrawMessages() {
  std::lock_guard<std::mutex> lock(GMessageLock);
  std::vector<std::string> out;
  out.swap(GMessages);
  return out;
}
