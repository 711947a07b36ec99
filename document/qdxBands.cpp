#include "document/qdxBands.h"

#include "document/qdxClassBuilder.h"

TqdxBand::TqdxBand(TqdxBaseComponent* owner) : TqdxReportComponent(owner), FFill(qdxCreateFill(ftBrush)) {}

const TqdxClassInfo& TqdxBand::StaticClassInfo() {
  static const TqdxClassInfo& info = qdxDefineClass<TqdxBand>(
      "TqdxBand", &TqdxReportComponent::StaticClassInfo(), [](TqdxClassBuilder<TqdxBand>& Reg) {
        Reg.Float("Left", &TqdxComponent::GetLeft, &TqdxComponent::SetLeft).Stored<&TqdxComponent::IsLeftStored>();
        Reg.Float("Top", &TqdxComponent::GetTop, &TqdxComponent::SetTop).Stored<&TqdxComponent::IsTopStored>();
        Reg.Float("Width", &TqdxComponent::GetWidth, &TqdxComponent::SetWidth)
            .Stored<&TqdxComponent::IsWidthStored>();
        Reg.Float("Height", &TqdxComponent::GetHeight, &TqdxComponent::SetHeight)
            .Stored<&TqdxComponent::IsHeightStored>();
        Reg.Object("Font", &TqdxComponent::GetFont).Stored<&TqdxComponent::IsFontStored>();
        Reg.Bool("ParentFont", &TqdxComponent::GetParentFont, &TqdxComponent::SetParentFont).Default(true);
        Reg.Bool("Visible", &TqdxComponent::GetVisible, &TqdxComponent::SetVisible).Default(true);
        Reg.Set("Restrictions", qdxRestrictionEnum(), &TqdxComponent::Restrictions).Default(0);
        // The fill type comes before the fill: reading it replaces the fill.
        Reg.Enum("FillType", qdxFillTypeEnum(), &TqdxBand::GetFillType, &TqdxBand::SetFillType).Default(ftBrush);
        Reg.Object("Fill", &TqdxBand::GetFill);
        Reg.Object("FillGap", &TqdxBand::GetFillGap);
        Reg.Object("Frame", &TqdxBand::GetFrame);
        Reg.Bool("Vertical", &TqdxBand::Vertical).Default(false);
        Reg.Event("OnAfterCalcHeight", &TqdxBand::OnAfterCalcHeight);
        Reg.Event("OnAfterPrint", &TqdxBand::OnAfterPrint);
        Reg.Event("OnBeforePrint", &TqdxBand::OnBeforePrint);
      });
  return info;
}

const TqdxClassInfo& TqdxDataBand::StaticClassInfo() {
  static const TqdxEnumInfo engines("TqdxShiftEngine", {"seLinear", "seTree", "seDontShift"});
  static const TqdxClassInfo& info = qdxDefineClass<TqdxDataBand>(
      "TqdxDataBand", &TqdxBand::StaticClassInfo(), [](TqdxClassBuilder<TqdxDataBand>& Reg) {
        using D = TqdxDataBand;
        Reg.Bool("AllowSplit", &D::AllowSplit).Default(false);
        Reg.Ref("Child", &D::Child);
        Reg.Int("Columns", &D::Columns).Default(0);
        Reg.Float("ColumnWidth", &D::ColumnWidth);
        Reg.Float("ColumnGap", &D::ColumnGap);
        Reg.Ref("DataSet", &D::DataSet);
        Reg.Str("DataSetName", &D::DataSetName);
        Reg.Bool("FooterAfterEach", &D::FooterAfterEach).Default(false);
        Reg.Str("Filter", &D::Filter);
        Reg.Bool("KeepChild", &D::KeepChild).Default(false);
        Reg.Bool("KeepFooter", &D::KeepFooter).Default(false);
        Reg.Bool("KeepHeader", &D::KeepHeader).Default(false);
        Reg.Bool("KeepTogether", &D::KeepTogether).Default(false);
        Reg.Str("OutlineText", &D::OutlineText);
        Reg.Bool("PrintChildIfInvisible", &D::PrintChildIfInvisible).Default(false);
        Reg.Bool("PrintIfDetailEmpty", &D::PrintIfDetailEmpty).Default(false);
        Reg.Int("RowCount", &D::RowCount).Default(0);
        Reg.Bool("StartNewPage", &D::StartNewPage).Default(false);
        Reg.Bool("Stretched", &D::Stretched).Default(false);
        Reg.Enum("ShiftEngine", engines, &D::ShiftEngine).Default(seTree);
        Reg.Event("OnMasterDetail", &D::OnMasterDetail);
      });
  return info;
}

const TqdxClassInfo& TqdxPageHeader::StaticClassInfo() {
  static const TqdxClassInfo& info = qdxDefineClass<TqdxPageHeader>(
      "TqdxPageHeader", &TqdxBand::StaticClassInfo(), [](TqdxClassBuilder<TqdxPageHeader>& Reg) {
        Reg.Bool("PrintOnFirstPage", &TqdxPageHeader::PrintOnFirstPage).Default(true);
      });
  return info;
}

const TqdxClassInfo& TqdxGroupHeader::StaticClassInfo() {
  static const TqdxClassInfo& info = qdxDefineClass<TqdxGroupHeader>(
      "TqdxGroupHeader", &TqdxBand::StaticClassInfo(), [](TqdxClassBuilder<TqdxGroupHeader>& Reg) {
        using G = TqdxGroupHeader;
        Reg.Str("Condition", &G::Condition);
        Reg.Bool("DrillDown", &G::DrillDown).Default(false);
        Reg.Bool("ExpandDrillDown", &G::ExpandDrillDown).Default(false);
        Reg.Str("DrillName", &G::DrillName);
        Reg.Bool("ReprintOnNewPage", &G::ReprintOnNewPage).Default(false);
        Reg.Bool("ResetPageNumbers", &G::ResetPageNumbers).Default(false);
        Reg.Bool("ShowFooterIfDrillDown", &G::ShowFooterIfDrillDown).Default(false);
        Reg.Bool("ShowChildIfDrillDown", &G::ShowChildIfDrillDown).Default(false);
      });
  return info;
}

const TqdxClassInfo& TqdxChild::StaticClassInfo() {
  static const TqdxEnumInfo modes("TqdxToNRowsMode", {"rmCount", "rmAddToCount", "rmTillPageEnds"});
  static const TqdxClassInfo& info =
      qdxDefineClass<TqdxChild>("TqdxChild", &TqdxBand::StaticClassInfo(), [](TqdxClassBuilder<TqdxChild>& Reg) {
        Reg.Int("ToNRows", &TqdxChild::ToNRows).Default(0);
        Reg.Enum("ToNRowsMode", modes, &TqdxChild::ToNRowsMode).Default(rmCount);
      });
  return info;
}

QDX_DEFINE_PLAIN_CLASS(TqdxMasterData, TqdxDataBand)
QDX_DEFINE_PLAIN_CLASS(TqdxDetailData, TqdxDataBand)
QDX_DEFINE_PLAIN_CLASS(TqdxSubdetailData, TqdxDataBand)
QDX_DEFINE_PLAIN_CLASS(TqdxDataBand4, TqdxDataBand)
QDX_DEFINE_PLAIN_CLASS(TqdxDataBand5, TqdxDataBand)
QDX_DEFINE_PLAIN_CLASS(TqdxDataBand6, TqdxDataBand)
QDX_DEFINE_PLAIN_CLASS(TqdxHeader, TqdxBand)
QDX_DEFINE_PLAIN_CLASS(TqdxFooter, TqdxBand)
QDX_DEFINE_PLAIN_CLASS(TqdxPageFooter, TqdxBand)
QDX_DEFINE_PLAIN_CLASS(TqdxColumnHeader, TqdxBand)
QDX_DEFINE_PLAIN_CLASS(TqdxColumnFooter, TqdxBand)
QDX_DEFINE_PLAIN_CLASS(TqdxGroupFooter, TqdxBand)
QDX_DEFINE_PLAIN_CLASS(TqdxReportTitle, TqdxBand)
QDX_DEFINE_PLAIN_CLASS(TqdxReportSummary, TqdxBand)
QDX_DEFINE_PLAIN_CLASS(TqdxOverlay, TqdxBand)
QDX_DEFINE_PLAIN_CLASS(TqdxNullBand, TqdxBand)
