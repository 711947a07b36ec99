#include "document/qdxFrame.h"

#include "document/qdxClassBuilder.h"

const TqdxEnumInfo& qdxFrameStyleEnum() {
  static const TqdxEnumInfo info("TqdxFrameStyle", {"fsSolid", "fsDash", "fsDot", "fsDashDot", "fsDashDotDot",
                                                    "fsDouble", "fsAltDot", "fsSquare"});
  return info;
}

namespace {
const TqdxEnumInfo& FrameTypeEnum() {
  static const TqdxEnumInfo info("TqdxFrameType", {"ftLeft", "ftRight", "ftTop", "ftBottom"});
  return info;
}
}  // namespace

const TqdxClassInfo& TqdxFrameLine::StaticClassInfo() {
  static const TqdxClassInfo& info = qdxDefineClass<TqdxFrameLine>(
      "TqdxFrameLine", &TqdxPersistent::StaticClassInfo(), [](TqdxClassBuilder<TqdxFrameLine>& Reg) {
        // No declared defaults: a side that differs from its frame is always
        // written, even when it holds the frame's initial value.
        Reg.Int("Color", &TqdxFrameLine::Color).Stored<&TqdxFrameLine::IsColorStored>();
        Reg.Enum("Style", qdxFrameStyleEnum(), &TqdxFrameLine::Style).Stored<&TqdxFrameLine::IsStyleStored>();
        Reg.Float("Width", &TqdxFrameLine::Width).Stored<&TqdxFrameLine::IsWidthStored>();
      });
  return info;
}

bool TqdxFrameLine::IsColorStored() const { return FFrame == nullptr || Color != FFrame->GetColor(); }
bool TqdxFrameLine::IsStyleStored() const { return FFrame == nullptr || Style != FFrame->GetStyle(); }
bool TqdxFrameLine::IsWidthStored() const { return FFrame == nullptr || Width != FFrame->GetWidth(); }

const TqdxClassInfo& TqdxFrame::StaticClassInfo() {
  static const TqdxClassInfo& info = qdxDefineClass<TqdxFrame>(
      "TqdxFrame", &TqdxPersistent::StaticClassInfo(), [](TqdxClassBuilder<TqdxFrame>& Reg) {
        Reg.Set("Typ", FrameTypeEnum(), &TqdxFrame::Typ).Default(0);
        Reg.Float("Width", &TqdxFrame::GetWidth, &TqdxFrame::SetWidth).Stored<&TqdxFrame::IsWidthStored>();
        Reg.Enum("Style", qdxFrameStyleEnum(), &TqdxFrame::GetStyle, &TqdxFrame::SetStyle).Default(fsSolid);
        Reg.Int("Color", &TqdxFrame::GetColor, &TqdxFrame::SetColor).Default(clBlack);
        Reg.Bool("DropShadow", &TqdxFrame::DropShadow).Default(false);
        Reg.Float("ShadowWidth", &TqdxFrame::ShadowWidth).Stored<&TqdxFrame::IsShadowWidthStored>();
        Reg.Int("ShadowColor", &TqdxFrame::ShadowColor).Default(clBlack);
        // The sides come last, so that a side's override read after the
        // frame's common value wins.
        Reg.Object("LeftLine", &TqdxFrame::GetLeftLine);
        Reg.Object("TopLine", &TqdxFrame::GetTopLine);
        Reg.Object("RightLine", &TqdxFrame::GetRightLine);
        Reg.Object("BottomLine", &TqdxFrame::GetBottomLine);
      });
  return info;
}

TqdxFrame::TqdxFrame() : FLines{TqdxFrameLine(this), TqdxFrameLine(this), TqdxFrameLine(this), TqdxFrameLine(this)} {}

void TqdxFrame::SetColor(TqdxColor value) {
  FColor = value;
  for (TqdxFrameLine& l : FLines) l.Color = value;
}

void TqdxFrame::SetStyle(TqdxFrameStyle value) {
  FStyle = value;
  for (TqdxFrameLine& l : FLines) l.Style = value;
}

void TqdxFrame::SetWidth(double value) {
  FWidth = value;
  for (TqdxFrameLine& l : FLines) l.Width = value;
}
