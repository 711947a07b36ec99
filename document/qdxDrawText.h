#pragma once
// The text layout of text objects: breaks paragraphs into lines for a width
// measured at a fixed 600 pixels per inch, so line breaks come out the same
// on screen, printers and in every export; measures the result and cuts
// what does not fit. One shared instance serves the whole program between
// Lock and Unlock.

#include "document/qdxFont.h"
#include "document/qdxHTMLTags.h"
#include "document/qdxMemoView.h"
#include "document/qdxTextMeasurer.h"

#include <mutex>
#include <span>
#include <string>
#include <vector>

class TCanvas;
class TVectorCanvas;

inline constexpr int qdxLayoutPPI = 600;
inline constexpr int qdxScreenPPI = 96;
inline constexpr double qdxLayoutFactor = 600.0 / 96.0;  // 6.25

// A rectangle in whole pixels (right and bottom exclusive).
struct TqdxIntRect {
  int Left = 0, Top = 0, Right = 0, Bottom = 0;
  int Width() const { return Right - Left; }
  int Height() const { return Bottom - Top; }
};

enum TqdxLineFlag : int { lfFirstOfParagraph = 1, lfLastOfParagraph = 2 };

// Spreads a difference of whole pixels over the values one unit (of the
// difference's sign) at a time by recursive halving, so that the units fall
// evenly and always in the same places; a difference of at least the count
// first gives every value the whole quotient.
void qdxSpreadDifference(std::span<int> values, int difference);

// Where a text block of height blockHeight starts inside the drawing
// rectangle for a rotation (degrees, 0 to 359): the first line's reference
// point, the line length and the height available to the block.
struct TqdxTextBlock {
  int X = 0, Y = 0;
  int W = 0;  // line length
  int A = 0;  // available height
  friend bool operator==(const TqdxTextBlock&, const TqdxTextBlock&) = default;
};
TqdxTextBlock qdxTextBlockStart(const TqdxIntRect& rect, int rotation, int blockHeight);

class TqdxDrawText {
public:
  explicit TqdxDrawText(TqdxTextMeasurer* measurer = nullptr) : FMeasurer(measurer) {}

  void Lock() { FLock.lock(); }
  void Unlock() { FLock.unlock(); }

  void SetFont(const TqdxFont& font);
  void SetOptions(bool wordWrap, bool htmlTags, int rotation, bool wysiwyg, bool clipped, bool wordBreak, bool rtl);
  void SetGaps(double lineSpacing, double charSpacing, double paragraphGap);
  void SetDimensions(const TqdxIntRect& textRect, const TqdxIntRect& drawRect, double printScale = 1,
                     double scaleX = 1, double scaleY = 1);
  // Lays out the paragraphs; continues: the first paragraph goes on one
  // begun in a previous part (no paragraph indent on its first line).
  void SetText(const std::vector<std::u16string>& paragraphs, bool continues = false);

  const std::vector<std::u16string>& Lines() const { return FLines; }
  const std::vector<int>& LineFlags() const { return FFlags; }
  std::vector<int>& LineFlags() { return FFlags; }
  const std::u16string& SourceText() const { return FSourceText; }
  const TqdxHTMLTagsList& Tags() const { return FTags; }

  // Screen pixels.
  double LineHeight() const;
  double CalcHeight() const;
  double CalcWidth();
  double UnusedSpace() const;
  // Cuts the lines that do not fit the text rectangle and returns their
  // source text; continues says whether it goes on a paragraph.
  std::u16string GetOutBoundsText(bool& continues);

  // Draws the laid-out lines on the canvas inside DrawRect with alignment,
  // justification, rotation and ruled underlines (in the canvas's pen). Font
  // sizes follow the canvas device: a printer's resolution and PrintScale,
  // else 96 pixels per inch times ScaleY.
  void DrawText(TCanvas& canvas, TqdxHAlign hAlign, TqdxVAlign vAlign, TqdxUnderlinesTextMode underlines);
  // A recording canvas that also receives every text run DrawText draws;
  // text objects attach theirs for one DrawText and detach it afterwards.
  TVectorCanvas* VectorCanvas = nullptr;

  // Settings and state read by drawing.
  int FontSize() const { return FFontSize; }
  const TqdxTextFont& MeasureFont() const { return FFont; }
  TqdxColor FontColor() const { return FColor; }
  bool MonoFont = false;
  bool UseDefaultCharset = false;
  bool UseOldLineHeight = true;
  bool WordWrap = true, WordBreak = false, Wysiwyg = true, RTLReading = false, Clipped = true, HTMLTags = false;
  int Rotation = 0;
  double LineSpacing = 0, CharSpacing = 0, ParagraphGap = 0;
  TqdxIntRect UnscaledRect, DrawRect;
  double PrintScale = 1, ScaleX = 1, ScaleY = 1;

  // Advances of the characters of a laid-out line at 600 ppi, with each
  // character's style; returns the total.
  int MeasureLine(std::u16string_view line, const TqdxHTMLTags& tags, std::vector<int>* advances = nullptr);

private:
  TqdxTextMeasurer& Measurer() { return FMeasurer ? *FMeasurer : qdxDefaultTextMeasurer(); }
  void WrapParagraph(std::u16string text, int firstLength, int length);
  void AddLine(std::u16string line) {
    FLines.push_back(std::move(line));
    FFlags.push_back(0);
  }
  double FontPixels600() const { return std::abs(FFont.Height); }

  std::recursive_mutex FLock;
  TqdxTextMeasurer* FMeasurer;
  TqdxTextFont FFont;
  TqdxColor FColor = clBlack;
  int FFontSize = 10;
  std::vector<std::u16string> FLines;
  std::vector<int> FFlags;
  std::u16string FSourceText;
  TqdxHTMLTagsList FTags;
  std::vector<int> FScratch, FAdvances;
};

// The program's shared layout object.
TqdxDrawText& DrawTextObject();
