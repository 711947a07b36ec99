#include "document/qdxView.h"

#include "document/qdxViewRegistration.h"

const TqdxEnumInfo& qdxAlignEnum() {
  static const TqdxEnumInfo info(
      "TqdxAlign", {"baNone", "baLeft", "baRight", "baCenter", "baWidth", "baBottom", "baClient", "baHidden"});
  return info;
}

namespace {
const TqdxEnumInfo& AnchorEnum() {
  static const TqdxEnumInfo info("TqdxAnchorsType", {"fraLeft", "fraTop", "fraRight", "fraBottom"});
  return info;
}
const TqdxEnumInfo& VisibilityEnum() {
  static const TqdxEnumInfo info("TqdxVisibilityType", {"vsPreview", "vsExport", "vsPrint"});
  return info;
}
const TqdxEnumInfo& ShiftModeEnum() {
  static const TqdxEnumInfo info("TqdxShiftMode", {"smDontShift", "smAlways", "smWhenOverlapped"});
  return info;
}
const TqdxEnumInfo& StretchModeEnum() {
  static const TqdxEnumInfo info("TqdxStretchMode", {"smDontStretch", "smActualHeight", "smMaxHeight"});
  return info;
}
}  // namespace

const TqdxClassInfo& TqdxView::StaticClassInfo() {
  static const TqdxClassInfo& info = qdxDefineClass<TqdxView>(
      "TqdxView", &TqdxReportComponent::StaticClassInfo(), [](TqdxClassBuilder<TqdxView>& Reg) {
        Reg.Float("Left", &TqdxComponent::GetLeft, &TqdxComponent::SetLeft).Stored<&TqdxComponent::IsLeftStored>();
        Reg.Float("Top", &TqdxComponent::GetTop, &TqdxComponent::SetTop).Stored<&TqdxComponent::IsTopStored>();
        Reg.Float("Width", &TqdxComponent::GetWidth, &TqdxComponent::SetWidth)
            .Stored<&TqdxComponent::IsWidthStored>();
        Reg.Float("Height", &TqdxComponent::GetHeight, &TqdxComponent::SetHeight)
            .Stored<&TqdxComponent::IsHeightStored>();
        Reg.Enum("Align", qdxAlignEnum(), &TqdxView::Align).Default(baNone);
        Reg.Set("Anchors", AnchorEnum(), &TqdxComponent::GetAnchors, &TqdxComponent::SetAnchors)
            .Default(qdxBit(fraLeft) | qdxBit(fraTop));
        Reg.Bool("AllowVectorExport", &TqdxView::AllowVectorExport).Default(true);
        Reg.Bool("Printable", &TqdxView::GetPrintable, &TqdxView::SetPrintable).Default(true).Stored(false);
        Reg.Set("Visibility", VisibilityEnum(), &TqdxView::Visibility).Default(7);
        Reg.Enum("ShiftMode", ShiftModeEnum(), &TqdxView::ShiftMode).Default(smAlways);
        Reg.Int("GroupIndex", &TqdxComponent::GroupIndex).Default(0);
        Reg.Set("Restrictions", qdxRestrictionEnum(), &TqdxComponent::Restrictions).Default(0);
        Reg.Bool("Visible", &TqdxComponent::GetVisible, &TqdxComponent::SetVisible).Default(true);
        Reg.Object("Hyperlink", &TqdxView::GetHyperlink);
        Reg.Str("Hint", &TqdxView::Hint);
        Reg.Bool("ShowHint", &TqdxView::ShowHint).Default(false);
        Reg.Event("OnAfterData", &TqdxView::OnAfterData);
        Reg.Event("OnAfterPrint", &TqdxView::OnAfterPrint);
        Reg.Event("OnBeforePrint", &TqdxView::OnBeforePrint);
        Reg.Event("OnContentChanged", &TqdxView::OnContentChanged);
        Reg.Event("OnMouseEnter", &TqdxView::OnMouseEnter);
        Reg.Event("OnMouseLeave", &TqdxView::OnMouseLeave);
        Reg.Event("OnMouseDown", &TqdxView::OnMouseDown);
        Reg.Event("OnMouseMove", &TqdxView::OnMouseMove);
        Reg.Event("OnMouseUp", &TqdxView::OnMouseUp);
        Reg.Event("OnPreviewClick", &TqdxView::OnPreviewClick);
        Reg.Event("OnPreviewDblClick", &TqdxView::OnPreviewDblClick);
      });
  return info;
}

const TqdxClassInfo& TqdxStretcheable::StaticClassInfo() {
  static const TqdxClassInfo& info = qdxDefineClass<TqdxStretcheable>(
      "TqdxStretcheable", &TqdxView::StaticClassInfo(), [](TqdxClassBuilder<TqdxStretcheable>& Reg) {
        Reg.Enum("StretchMode", StretchModeEnum(), &TqdxStretcheable::StretchMode).Default(smDontStretch);
        Reg.Bool("CanShrink", &TqdxStretcheable::CanShrink).Default(false);
      });
  return info;
}

TqdxView::TqdxView(TqdxBaseComponent* owner) : TqdxReportComponent(owner), FFill(qdxCreateFill(ftBrush)) {
  ObjectFlags |= ofDiffByFullForm;
}

void TqdxView::SetPrintable(bool value) {
  if (value) Visibility |= qdxBit(vsPrint);
  else Visibility &= static_cast<TqdxVisibilityTypes>(~qdxBit(vsPrint));
}

TqdxBrushStyle TqdxView::GetBrushStyle() const {
  const auto* brush = dynamic_cast<const TqdxBrushFill*>(FFill.get());
  return brush != nullptr ? brush->Style : bsSolid;
}

void TqdxView::SetBrushStyle(TqdxBrushStyle value) {
  if (auto* brush = dynamic_cast<TqdxBrushFill*>(FFill.get())) brush->Style = value;
}

TqdxRect TqdxView::GetExportBounds() const {
  TqdxRect r = TqdxReportComponent::GetExportBounds();
  if (FFrame.DropShadow) {
    r.Right += FFrame.ShadowWidth;
    r.Bottom += FFrame.ShadowWidth;
  }
  return r;
}

void TqdxView::WriteBinaryProperties(std::vector<TqdxBinaryProperty>& out) const {
  out.insert(out.end(), FKeptBinary.begin(), FKeptBinary.end());
}

bool TqdxView::ReadBinaryProperty(const std::string& name, std::string_view data) {
  for (TqdxBinaryProperty& b : FKeptBinary)
    if (b.Name == name) {
      b.Data.assign(data);
      return true;
    }
  FKeptBinary.push_back({name, std::string(data)});
  return true;
}
