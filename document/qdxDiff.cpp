#include "document/qdxDiff.h"

#include "document/qdxBands.h"
#include "document/qdxMemoView.h"
#include "document/qdxNumbers.h"
#include "document/qdxPictureView.h"
#include "document/qdxXML.h"
#include "document/qdxXMLSerializer.h"
#include "platform/CodePage.h"

#include <cmath>

namespace {

class TDiffWriter {
public:
  std::string Out;

  void Add(const char* name, const std::string& value) {
    Out += ' ';
    Out += name;
    Out += "=\"";
    Out += value;
    Out += '"';
  }
  void Add(const std::string& name, const std::string& value) { Add(name.c_str(), value); }
  bool Float(const char* name, double v, double r, bool stored = true) {
    if (!stored || std::fabs(v - r) <= qdxDiffTolerance) return false;
    Add(name, qdxFloatToStr(v));
    return true;
  }
  template <class T>
  bool Int(const std::string& name, T v, T r) {
    if (v == r) return false;
    Add(name, std::to_string(static_cast<int64_t>(v)));
    return true;
  }
  void Bool(const char* name, bool v, bool r) {
    if (v != r) Add(name, v ? "1" : "0");
  }
  void Str(const std::string& name, const std::string& v, const std::string& r) {
    if (v != r) Add(name, StrToXML(v));
  }
};

void ComponentDiff(TDiffWriter& w, const TqdxComponent& o, const TqdxComponent& r) {
  const bool isBand = o.Is<TqdxBand>();
  const auto* memo = dynamic_cast<const TqdxCustomMemoView*>(&o);
  w.Float("l", o.GetLeft(), r.GetLeft(), o.IsLeftStored());
  if (o.IsTopStored() && (isBand || std::fabs(o.GetTop() - r.GetTop()) > qdxDiffTolerance))
    w.Add("t", qdxFloatToStr(o.GetTop()));
  w.Float("w", o.GetWidth(), r.GetWidth(), o.IsWidthStored() && !(memo && memo->AutoWidth));
  w.Float("h", o.GetHeight(), r.GetHeight(), o.IsHeightStored());
  w.Bool("Visible", o.GetVisible(), r.GetVisible());
  if (!o.GetParentFont()) {
    const TqdxFont& f = *o.GetFont();
    const TqdxFont& rf = *r.GetFont();
    w.Str("Font.Name", f.GetName(), rf.GetName());
    w.Int("Font.Size", f.GetSize(), rf.GetSize());
    w.Int("Font.Color", f.GetColor(), rf.GetColor());
    w.Int("Font.Style", f.GetStyle(), rf.GetStyle());
    w.Int("Font.Charset", f.GetCharset(), rf.GetCharset());
  }
  w.Bool("ParentFont", o.GetParentFont(), r.GetParentFont());
  w.Int("Tag", o.Tag, r.Tag);
}

void FrameDiff(TDiffWriter& w, const TqdxFrame& f, const TqdxFrame& rf) {
  bool color = w.Int("Frame.Color", f.GetColor(), rf.GetColor());
  w.Bool("Frame.DropShadow", f.DropShadow, rf.DropShadow);
  w.Int("Frame.ShadowColor", f.ShadowColor, rf.ShadowColor);
  w.Float("Frame.ShadowWidth", f.ShadowWidth, rf.ShadowWidth);
  bool style = w.Int("Frame.Style", f.GetStyle(), rf.GetStyle());
  w.Int("Frame.Typ", f.Typ, rf.Typ);
  bool width = w.Float("Frame.Width", f.GetWidth(), rf.GetWidth());
  struct TSide {
    const char* Name;
    const TqdxFrameLine* Line;
    const TqdxFrameLine* Ref;
  } sides[] = {{"Frame.LeftLine", f.GetLeftLine(), rf.GetLeftLine()},
               {"Frame.TopLine", f.GetTopLine(), rf.GetTopLine()},
               {"Frame.RightLine", f.GetRightLine(), rf.GetRightLine()},
               {"Frame.BottomLine", f.GetBottomLine(), rf.GetBottomLine()}};
  // A side is written against the frame's new value when that was written
  // (setting it resets every side), otherwise against the source's side.
  for (const TSide& s : sides) {
    std::string n = s.Name;
    if (color ? s.Line->Color != f.GetColor() : s.Line->Color != s.Ref->Color)
      w.Add(n + ".Color", std::to_string(s.Line->Color));
    if (style ? s.Line->Style != f.GetStyle() : s.Line->Style != s.Ref->Style)
      w.Add(n + ".Style", std::to_string(static_cast<int>(s.Line->Style)));
    if (width ? std::fabs(s.Line->Width - f.GetWidth()) > qdxDiffTolerance
              : std::fabs(s.Line->Width - s.Ref->Width) > qdxDiffTolerance)
      w.Add(n + ".Width", qdxFloatToStr(s.Line->Width));
  }
}

void FillDiff(TDiffWriter& w, const TqdxCustomFill& f, const TqdxCustomFill& rf) {
  const bool same = f.FillType() == rf.FillType();
  if (auto* b = dynamic_cast<const TqdxBrushFill*>(&f)) {
    const auto* rb = same ? static_cast<const TqdxBrushFill*>(&rf) : nullptr;
    if (!rb || b->BackColor != rb->BackColor) w.Add("Fill.BackColor", std::to_string(b->BackColor));
    if (!rb || b->ForeColor != rb->ForeColor) w.Add("Fill.ForeColor", std::to_string(b->ForeColor));
    if (!rb || b->Style != rb->Style) w.Add("Fill.Style", std::to_string(static_cast<int>(b->Style)));
  } else if (auto* g = dynamic_cast<const TqdxGradientFill*>(&f)) {
    const auto* rg = same ? static_cast<const TqdxGradientFill*>(&rf) : nullptr;
    if (!rg || g->StartColor != rg->StartColor) w.Add("Fill.StartColor", std::to_string(g->StartColor));
    if (!rg || g->EndColor != rg->EndColor) w.Add("Fill.EndColor", std::to_string(g->EndColor));
    if (!rg || g->GradientStyle != rg->GradientStyle)
      w.Add("Fill.GradientStyle", std::to_string(static_cast<int>(g->GradientStyle)));
  } else if (auto* s = dynamic_cast<const TqdxGlassFill*>(&f)) {
    const auto* rs = same ? static_cast<const TqdxGlassFill*>(&rf) : nullptr;
    if (!rs || s->Color != rs->Color) w.Add("Fill.Color", std::to_string(s->Color));
    if (!rs || std::fabs(s->Blend - rs->Blend) > qdxDiffTolerance) w.Add("Fill.Blend", qdxFloatToStr(s->Blend));
    if (!rs || s->Hatch != rs->Hatch) w.Add("Fill.Hatch", s->Hatch ? "1" : "0");
    if (!rs || s->Orientation != rs->Orientation)
      w.Add("Fill.Orientation", std::to_string(static_cast<int>(s->Orientation)));
  }
}

void ViewDiff(TDiffWriter& w, const TqdxView& o, const TqdxView& r) {
  w.Int("Align", o.Align, r.Align);
  FrameDiff(w, *o.GetFrame(), *r.GetFrame());
  w.Int("Cursor", o.Cursor, r.Cursor);
  w.Int("Visibility", o.Visibility, r.Visibility);
  w.Str("TagStr", o.TagStr, r.TagStr);
  w.Int("FillType", o.GetFillType(), r.GetFillType());
  FillDiff(w, *o.GetFill(), *r.GetFill());
  const TqdxHyperlink& h = *o.GetHyperlink();
  const TqdxHyperlink& rh = *r.GetHyperlink();
  w.Int("Hyperlink.Kind", h.Kind, rh.Kind);
  w.Str("Hyperlink.DetailReport", h.DetailReport, rh.DetailReport);
  w.Str("Hyperlink.DetailPage", h.DetailPage, rh.DetailPage);
  w.Str("Hyperlink.ReportVariable", h.ReportVariable, rh.ReportVariable);
  w.Str("Hyperlink.TabCaption", h.TabCaption, rh.TabCaption);
  w.Str("Hyperlink.Value", h.Value, rh.Value);
  w.Str("Hyperlink.ValuesSeparator", h.ValuesSeparator, rh.ValuesSeparator);
}

void MemoDiff(TDiffWriter& w, TqdxCustomMemoView& o, const TqdxCustomMemoView& r) {
  w.Bool("AutoWidth", o.AutoWidth, r.AutoWidth);
  w.Float("CharSpacing", o.CharSpacing, r.CharSpacing);
  w.Float("GapX", o.GapX, r.GapX);
  w.Float("GapY", o.GapY, r.GapY);
  w.Int("HAlign", o.HAlign, r.HAlign);
  w.Float("LineSpacing", o.LineSpacing, r.LineSpacing);
  w.Bool("UseDefaultCharset", o.UseDefaultCharset, r.UseDefaultCharset);
  w.Add("u", StrToXML(Utf16ToUtf8(o.Text())));
  if (!o.Hint.empty()) w.Add("Hint", StrToXML(o.Hint));
  w.Float("ParagraphGap", o.ParagraphGap, r.ParagraphGap);
  w.Int("Rotation", o.Rotation, r.Rotation);
  w.Bool("RTLReading", o.RTLReading, r.RTLReading);
  w.Int("UnderlinesTextMode", o.UnderlinesTextMode, r.UnderlinesTextMode);
  w.Int("VAlign", o.VAlign, r.VAlign);
  w.Bool("WordWrap", o.WordWrap, r.WordWrap);
  if (o.Formats().Count() == 1) {
    const TqdxFormat& f = o.Formats()[0];
    TqdxFormat none;
    const TqdxFormat& rf = r.Formats().Count() > 0 ? r.Formats()[0] : none;
    w.Int("DisplayFormat.Kind", f.Kind, rf.Kind);
    w.Str("DisplayFormat.DecimalSeparator", f.DecimalSeparator, rf.DecimalSeparator);
    w.Str("DisplayFormat.ThousandSeparator", f.ThousandSeparator, rf.ThousandSeparator);
    w.Str("DisplayFormat.FormatStr", f.FormatStr, rf.FormatStr);
  }
  if (o.FirstParaBreak) w.Add("FirstParaBreak", "1");
  if (o.LastParaBreak) w.Add("LastParaBreak", "1");
  o.FirstParaBreak = o.LastParaBreak;
  o.LastParaBreak = false;
}

}  // namespace

std::string qdxDiff(TqdxComponent& obj, const TqdxComponent& reference) {
  TDiffWriter w;
  if (obj.HasFlag(ofDiffByFullForm)) {
    TqdxXMLSerializer s;
    s.Owner = &obj;
    w.Out = s.ObjToXML(obj, {}, &reference);
    ComponentDiff(w, obj, reference);
    return w.Out;
  }
  ComponentDiff(w, obj, reference);
  auto* view = dynamic_cast<TqdxView*>(&obj);
  auto* refView = dynamic_cast<const TqdxView*>(&reference);
  if (view && refView) ViewDiff(w, *view, *refView);
  auto* memo = dynamic_cast<TqdxCustomMemoView*>(&obj);
  auto* refMemo = dynamic_cast<const TqdxCustomMemoView*>(&reference);
  if (memo && refMemo) MemoDiff(w, *memo, *refMemo);
  // A picture filled from data shows another cached picture than its source.
  auto* pic = dynamic_cast<TqdxPictureView*>(&obj);
  auto* refPic = dynamic_cast<const TqdxPictureView*>(&reference);
  if (pic && refPic) w.Int("ImageIndex", pic->ImageIndex, refPic->ImageIndex);
  return w.Out;
}
