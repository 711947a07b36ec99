#pragma once
// What the views share when they paint: report colours as canvas colours,
// pens, thick lines, the gradient, and the notes drawing leaves for the user
// (pictures it cannot show).

#include "document/qdxFill.h"
#include "document/qdxFrame.h"
#include "platform/Canvas.h"

#include <string>
#include <vector>

// A report colour on the canvas: system colours resolved, the high byte gone.
TColor qdxCanvasColor(TqdxColor color);
// A pen of that colour and width in one of the canvas's own dash styles;
// clNone gives a clear pen.
TPen qdxMakePen(TqdxColor color, int width, TPenStyle style = TPenStyle::psSolid);
// The one-pixel dash style that stands for a frame style (fsDouble is solid).
TPenStyle qdxPenStyleOf(TqdxFrameStyle style);
// The geometric pen of the dotted frame styles fsAltDot (round dots of
// diameter w every 2w) and fsSquare (w on, w off, flat); for w <= 1 both
// are one on, one off.
TPen qdxPatternPen(TqdxFrameStyle style, TqdxColor color, int w);

// A line of thickness t (0 counts as 1) drawn as t one-pixel lines with the
// current pen, side by side across the line's main direction.
void qdxThickLine(TCanvas& canvas, int x1, int y1, int x2, int y2, int thickness);

// One channel-wise step of a gradient: start + k * (end - start) / n with
// the rounding multiply-divide; the start colour when n is 0.
TqdxColor qdxGradientColor(TqdxColor start, TqdxColor end, int k, int n);
// The gradient of the style over [left, right) x [top, bottom).
void qdxDrawGradient(TCanvas& canvas, int left, int top, int right, int bottom, TqdxColor start, TqdxColor end,
                     TqdxGradientStyle style);

// Notes left by drawing (a picture that could not be shown and why). At most
// a few hundred are kept; taking them empties the list.
void qdxDrawMessage(const std::string& message);
std::vector<std::string> qdxTakeDrawMessages();
