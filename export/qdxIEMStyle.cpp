#include "export/qdxIEMStyle.h"

void qdxAssignFrameLine(TqdxFrameLine &dest, const TqdxFrameLine &source) {
  dest.Color = source.Color;
  dest.Style = source.Style;
  dest.Width = source.Width;
}

void TqdxIEMStyle::AssignStyle(const TqdxIEMStyle &source) {
  if (&source == this) return;
  Font.Assign(source.Font);
  HAlign = source.HAlign;
  VAlign = source.VAlign;
  LineSpacing = source.LineSpacing;
  GapX = source.GapX;
  GapY = source.GapY;
  CharSpacing = source.CharSpacing;
  ParagraphGap = source.ParagraphGap;
  WordBreak = source.WordBreak;
  WordWrap = source.WordWrap;
  Rotation = source.Rotation;
  BrushStyle = source.BrushStyle;
  Color = source.Color;
  DisplayFormat.Kind = source.DisplayFormat.Kind;
  DisplayFormat.FormatStr = source.DisplayFormat.FormatStr;
  DisplayFormat.DecimalSeparator = source.DisplayFormat.DecimalSeparator;
  DisplayFormat.ThousandSeparator = source.DisplayFormat.ThousandSeparator;
  FrameSides = source.FrameSides;
  qdxAssignFrameLine(LeftLine, source.LeftLine);
  qdxAssignFrameLine(TopLine, source.TopLine);
  qdxAssignFrameLine(RightLine, source.RightLine);
  qdxAssignFrameLine(BottomLine, source.BottomLine);
  ResolvedCharset = source.ResolvedCharset;
}

namespace {
bool SameLine(const TqdxFrameLine &a, const TqdxFrameLine &b) {
  return a.Width == b.Width && a.Color == b.Color && a.Style == b.Style;
}
}  // namespace

bool TqdxIEMStyle::SameAs(const TqdxIEMStyle &o) const {
  return Font.GetSize() == o.Font.GetSize() && HAlign == o.HAlign && VAlign == o.VAlign &&
         Font.GetColor() == o.Font.GetColor() && Font.GetName() == o.Font.GetName() &&
         Font.GetStyle() == o.Font.GetStyle() && FrameSides == o.FrameSides && SameLine(LeftLine, o.LeftLine) &&
         SameLine(TopLine, o.TopLine) && SameLine(RightLine, o.RightLine) && SameLine(BottomLine, o.BottomLine) &&
         Color == o.Color && DisplayFormat.Kind == o.DisplayFormat.Kind &&
         DisplayFormat.DecimalSeparator == o.DisplayFormat.DecimalSeparator &&
         DisplayFormat.FormatStr == o.DisplayFormat.FormatStr && LineSpacing == o.LineSpacing && GapX == o.GapX &&
         GapY == o.GapY && ParagraphGap == o.ParagraphGap && CharSpacing == o.CharSpacing &&
         ResolvedCharset == o.ResolvedCharset && WordBreak == o.WordBreak && Rotation == o.Rotation &&
         WordWrap == o.WordWrap && BrushStyle == o.BrushStyle;
}
