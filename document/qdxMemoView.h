#pragma once
// Text objects.

#include "document/qdxFormat.h"
#include "document/qdxHighlight.h"
#include "document/qdxView.h"

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
