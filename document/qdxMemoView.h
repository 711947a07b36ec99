#pragma once
// Text objects.

#include "document/qdxFormat.h"
#include "document/qdxHighlight.h"
#include "document/qdxView.h"
#include "platform/GraphicsTypes.h"

#include <string>
#include <vector>

enum TqdxHAlign : uint8_t { haLeft, haRight, haCenter, haBlock };
enum TqdxVAlign : uint8_t { vaTop, vaBottom, vaCenter };
enum TqdxDuplicateMerge : uint8_t { dmShow, dmHide, dmClear, dmMerge };
enum TqdxUnderlinesTextMode : uint8_t {
  ulmNone, ulmUnderlinesAll, ulmUnderlinesText, ulmUnderlinesTextAndEmptyLines
};

class TqdxCustomMemoView : public TqdxStretcheable {
public:
  QDX_CLASS(TqdxCustomMemoView)
  explicit TqdxCustomMemoView(TqdxBaseComponent* owner = nullptr);

  // The text, one entry per line.
  std::vector<std::u16string> Memo;
  TqdxHAlign HAlign = haLeft;
  TqdxVAlign VAlign = vaTop;
  int32_t Rotation = 0;  // degrees counter-clockwise
  bool WordWrap = true;
  bool WordBreak = false;
  double GapX = 2;
  double GapY = 1;
  double LineSpacing = 2;
  double ParagraphGap = 0;
  double CharSpacing = 0;
  bool AllowHTMLTags = false;
  bool AllowExpressions = true;
  std::string ExpressionDelimiters = "[,]";
  bool RTLReading = false;
  bool Underlines = false;
  TqdxUnderlinesTextMode UnderlinesTextMode = ulmNone;
  bool Clipped = true;
  bool Wysiwyg = true;
  bool AutoWidth = false;
  bool HideZeros = false;
  bool SuppressRepeated = false;
  TqdxDuplicateMerge Duplicates = dmShow;
  bool FirstParaBreak = false;
  bool LastParaBreak = false;
  bool UseDefaultCharset = false;
  std::string Style;
  TqdxCustomMemoView* FlowTo = nullptr;

  // Set by the export run before a filter sees the object.
  int32_t TotalPages = 0;
  int32_t CopyNo = 0;

  // The lines joined by CR LF (no final line break).
  std::u16string Text() const;
  // Splits at CR LF, CR or LF; a final line break adds no empty line.
  void SetText(std::u16string_view text);

  TqdxFormatCollection& Formats() const { return FFormats; }
  TqdxHighlightCollection& Highlights() const { return FHighlights; }
  // First item of the collection, created when there is none.
  TqdxFormat* GetDisplayFormat() const;
  TqdxHighlight* GetHighlight() const;
  bool IsDisplayFormatStored() const { return FFormats.Count() == 1; }
  bool IsHighlightStored() const;

  // The text as UTF-8; with AllowExpressions the first [TOTALPAGES] (any
  // case) becomes TotalPages.
  std::string GetComponentText() const override;

  // ---- drawing ----
  // BeginDraw; background and frame unless a recording canvas is attached;
  // then the text through the shared layout object.
  void Draw(TCanvas& canvas, double scaleX, double scaleY, double offsetX, double offsetY) override;
  // Sets up the shared layout object (DrawTextObject) for this object at the
  // offsets and scales and lays the text out; the caller holds its lock.
  void SetDrawParams(TCanvas& canvas, double offsetX, double offsetY, double scaleX, double scaleY);
  // The rectangle the text is laid out in: inside the frame lines and gaps.
  TRect GetTextRect(double scaleX, double scaleY, double offsetX, double offsetY) const;
  // The text as laid out at scale 1, lines joined by CR LF (laidOut), or the
  // text with its markup removed; lines and flags, when given, receive the
  // laid-out lines and their paragraph flags.
  std::u16string WrapText(bool laidOut, std::vector<std::u16string>* lines = nullptr,
                          std::vector<int>* flags = nullptr);
  // Makes Width fit the text (AutoWidth); haRight keeps the right edge,
  // haCenter the centre.
  void CalcAutoWidth();

private:
  mutable TqdxFormatCollection FFormats;
  mutable TqdxHighlightCollection FHighlights;
};

class TqdxMemoView : public TqdxCustomMemoView {
public:
  QDX_CLASS(TqdxMemoView)
  using TqdxCustomMemoView::TqdxCustomMemoView;
};

// A text object without data binding.
class TqdxSysMemoView : public TqdxCustomMemoView {
public:
  QDX_CLASS(TqdxSysMemoView)
  using TqdxCustomMemoView::TqdxCustomMemoView;
};

// UTF-16 to UTF-8; unpaired surrogates become U+FFFD.
std::string qdxUTF16ToUTF8(std::u16string_view text);
