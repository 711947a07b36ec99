// Draws a few text blocks the way text objects draw them (alignments,
// justification, rotation, markup colours, ruled lines) into a PNG file, so
// that the text drawing can be checked by eye.
//   qdx_text_demo out.png

#include "document/qdxDrawText.h"
#include "platform/PngFile.h"
#include "platform/RasterCanvas.h"
#include "platform/Streams.h"

#include <cstdio>
#include <exception>

namespace {

constexpr TColor Grey = RGBColor(190, 190, 190);

struct TBlock {
  TqdxIntRect Rect;
  std::vector<std::u16string> Text;
  TqdxHAlign HAlign = haLeft;
  TqdxVAlign VAlign = vaTop;
  int Rotation = 0;
  bool Markup = false;
  int Size = 10;
  TqdxFontStyles Style = 0;
  TqdxUnderlinesTextMode Underlines = ulmNone;
};

void Draw(TCanvas& canvas, const TBlock& b, double scale) {
  TqdxIntRect r{int(b.Rect.Left * scale), int(b.Rect.Top * scale), int(b.Rect.Right * scale),
                int(b.Rect.Bottom * scale)};
  TPen frame;
  frame.Color = Grey;
  canvas.SetPen(frame);
  canvas.SetBrush(TBrush{TBrushStyle::bsClear, clWhiteRGB});
  canvas.Rectangle(TRect{r.Left - 1, r.Top - 1, r.Right + 1, r.Bottom + 1});

  TqdxDrawText& text = DrawTextObject();
  text.Lock();
  TqdxFont font;
  font.SetName("Arial");
  font.SetSize(b.Size);
  font.SetStyle(b.Style);
  text.SetFont(font);
  text.SetOptions(true, b.Markup, b.Rotation, true, true, false, false);
  text.SetGaps(2, 0, 0);
  text.SetDimensions(b.Rect, r, 1, scale, scale);
  text.SetText(b.Text);
  TPen rule;
  rule.Color = RGBColor(120, 160, 220);
  canvas.SetPen(rule);
  text.DrawText(canvas, b.HAlign, b.VAlign, b.Underlines);
  text.Unlock();
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: qdx_text_demo out.png\n");
    return 2;
  }
  try {
    const double scale = 1.5;
    const std::u16string para =
        u"The quick brown fox jumps over the lazy dog. Pack my box with five dozen liquor jugs.";
    const std::vector<TBlock> blocks{
        {{10, 10, 210, 90}, {para}, haLeft},
        {{220, 10, 420, 90}, {para}, haRight, vaCenter},
        {{430, 10, 630, 90}, {para}, haCenter, vaBottom},
        {{10, 100, 210, 200}, {para, u"Second paragraph, justified too."}, haBlock},
        {{220, 100, 420, 200},
         {u"<b>Bold</b>, <i>italic</i>, <u>underlined</u>, <strike>struck</strike>,",
          u"<font color=red>red</font>, <font color=\"#0080FF\">blue</font>, H<sub>2</sub>O and x<sup>2</sup>."},
         haLeft, vaTop, 0, true},
        {{430, 100, 630, 200}, {u"Ruled lines under", u"", u"every line"}, haLeft, vaTop, 0, false, 10, 0,
         ulmUnderlinesAll},
        {{10, 210, 110, 410}, {u"Turned by 90 degrees, reading upwards."}, haLeft, vaTop, 90},
        {{120, 210, 220, 410}, {u"Turned by 270 degrees."}, haCenter, vaCenter, 270},
        {{230, 210, 430, 410}, {u"Upside down, 180 degrees."}, haLeft, vaTop, 180, false, 14},
        {{440, 210, 630, 410}, {u"Oblique, 30 degrees."}, haLeft, vaTop, 30, false, 12, 1},
    };
    TBitmap page(int(640 * scale), int(420 * scale));
    TRasterCanvas canvas(page);
    canvas.FillRect(TRect{0, 0, page.Width(), page.Height()}, TBrush{TBrushStyle::bsSolid, clWhiteRGB});
    for (const TBlock& b : blocks) Draw(canvas, b, scale);
    TFileStream out(argv[1], TFileMode::fmCreate);
    WritePng(out, page);
  } catch (const std::exception& e) {
    std::fprintf(stderr, "qdx_text_demo: %s\n", e.what());
    return 1;
  }
  return 0;
}
