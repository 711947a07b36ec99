#pragma once
// Cell styles of the export matrix: everything a table cell needs to look
// like the text block it came from. Equal styles are kept once, so exports
// can write one style per distinct look.

#include <cstdint>

#include "document/qdxFill.h"
#include "document/qdxFont.h"
#include "document/qdxFormat.h"
#include "document/qdxFrame.h"
#include "document/qdxMemoView.h"

class TqdxIEMStyle {
 public:
  TqdxIEMStyle() = default;
  TqdxIEMStyle(const TqdxIEMStyle &) = delete;
  TqdxIEMStyle &operator=(const TqdxIEMStyle &) = delete;

  TqdxFont Font;
  TqdxHAlign HAlign = haLeft;
  TqdxVAlign VAlign = vaTop;
  double LineSpacing = 0;
  double GapX = 0;
  double GapY = 0;
  double CharSpacing = 0;
  double ParagraphGap = 0;
  bool WordBreak = false;
  bool WordWrap = false;
  int32_t Rotation = 0;
  TqdxBrushStyle BrushStyle = bsSolid;
  TqdxColor Color = clNone;
  TqdxFormat DisplayFormat;
  TqdxFrameTypes FrameSides = 0;
  TqdxFrameLine LeftLine, TopLine, RightLine, BottomLine;
  int32_t ResolvedCharset = 0;

  bool HasSide(TqdxFrameType side) const { return (FrameSides & qdxBit(side)) != 0; }
  // Copies every field.
  void AssignStyle(const TqdxIEMStyle &source);
  // The equality the matrix deduplicates by. The thousand separator, the
  // font's own charset and pitch are not part of a cell's look and are not
  // compared; the font name is compared with case.
  bool SameAs(const TqdxIEMStyle &other) const;
};

// Copies a frame line's colour, style and width.
void qdxAssignFrameLine(TqdxFrameLine &dest, const TqdxFrameLine &source);
