#include "document/qdxPage.h"

#include "document/qdxClassBuilder.h"
#include "document/qdxPaper.h"

#include <charconv>
#include <cmath>
#include <utility>

const TqdxClassInfo& TqdxPage::StaticClassInfo() {
  static const TqdxClassInfo& info =
      qdxDefineClass<TqdxPage>("TqdxPage", &TqdxComponent::StaticClassInfo(), [](TqdxClassBuilder<TqdxPage>& Reg) {
        Reg.Object("Font", &TqdxComponent::GetFont);
        Reg.Bool("Visible", &TqdxComponent::GetVisible, &TqdxComponent::SetVisible).Default(true);
      });
  return info;
}

const TqdxClassInfo& TqdxReportPage::StaticClassInfo() {
  static const TqdxEnumInfo orientations("TPrinterOrientation", {"poPortrait", "poLandscape"});
  static const TqdxEnumInfo duplexModes("TqdxDuplexMode", {"dmNone", "dmVertical", "dmHorizontal", "dmSimplex"});
  static const TqdxClassInfo& info = qdxDefineClass<TqdxReportPage>(
      "TqdxReportPage", &TqdxPage::StaticClassInfo(), [](TqdxClassBuilder<TqdxReportPage>& Reg) {
        using P = TqdxReportPage;
        // Orientation, width and height come before the paper code: read in
        // this order, a landscape page of a standard size keeps its size.
        Reg.Enum("Orientation", orientations, &P::GetOrientation, &P::SetOrientation).Default(poPortrait);
        Reg.Float("PaperWidth", &P::GetPaperWidth, &P::SetPaperWidth);
        Reg.Float("PaperHeight", &P::GetPaperHeight, &P::SetPaperHeight);
        Reg.Int("PaperSize", &P::GetPaperSize, &P::SetPaperSize);
        Reg.Float("LeftMargin", &P::LeftMargin);
        Reg.Float("RightMargin", &P::RightMargin);
        Reg.Float("TopMargin", &P::TopMargin);
        Reg.Float("BottomMargin", &P::BottomMargin);
        Reg.Bool("MirrorMargins", &P::MirrorMargins).Default(false);
        Reg.Int("Columns", &P::GetColumns, &P::SetColumns).Default(0);
        Reg.Float("ColumnWidth", &P::ColumnWidth);
        Reg.Strings("ColumnPositions", &P::ColumnPositions);
        Reg.Int("Color", &P::Color).Default(clNone);
        Reg.Object("Frame", &P::GetFrame);
        Reg.Object("BackPicture", &P::GetBackPicture);
        Reg.Bool("BackPictureVisible", &P::BackPictureVisible).Default(true);
        Reg.Bool("BackPicturePrintable", &P::BackPicturePrintable).Default(true);
        Reg.Bool("BackPictureStretched", &P::BackPictureStretched).Default(true);
        Reg.Int("Bin", &P::Bin).Default(7);
        Reg.Int("BinOtherPages", &P::BinOtherPages).Default(7);
        Reg.Enum("Duplex", duplexModes, &P::Duplex).Default(dmNone);
        Reg.Int("PageCount", &P::GetPageCount, &P::SetPageCount).Default(1);
        Reg.Bool("PrintIfEmpty", &P::PrintIfEmpty).Default(true);
        Reg.Bool("PrintOnPreviousPage", &P::PrintOnPreviousPage).Default(false);
        Reg.Bool("ResetPageNumbers", &P::ResetPageNumbers).Default(false);
        Reg.Bool("EndlessHeight", &P::EndlessHeight).Default(false);
        Reg.Bool("EndlessWidth", &P::EndlessWidth).Default(false);
        Reg.Bool("LargeDesignHeight", &P::LargeDesignHeight).Default(false);
        Reg.Bool("ShowTitleOnPreviousPage", &P::ShowTitleOnPreviousPage).Default(true);
        Reg.Bool("TitleBeforeHeader", &P::TitleBeforeHeader).Default(true);
        Reg.Str("OutlineText", &P::OutlineText);
        Reg.Str("DataSetName", &P::DataSetName);
        Reg.Ref("DataSet", &P::DataSet);
        Reg.Strings("HGuides", &P::HGuides);
        Reg.Strings("VGuides", &P::VGuides);
        Reg.Event("OnAfterPrint", &P::OnAfterPrint);
        Reg.Event("OnBeforePrint", &P::OnBeforePrint);
        Reg.Event("OnManualBuild", &P::OnManualBuild);
      });
  return info;
}

QDX_DEFINE_PLAIN_CLASS(TqdxDialogPage, TqdxPage)
QDX_DEFINE_PLAIN_CLASS(TqdxDataPage, TqdxPage)
QDX_DEFINE_PLAIN_CLASS(TqdxDMPPage, TqdxReportPage)

TqdxReportPage::TqdxReportPage(TqdxBaseComponent* owner) : TqdxPage(owner) { UpdateDimensions(); }

void TqdxReportPage::UpdateDimensions() {
  SetWidth(std::nearbyint(FPaperWidth * qd01cm));
  SetHeight(std::nearbyint(FPaperHeight * qd01cm));
}

void TqdxReportPage::SetOrientation(TqdxPrinterOrientation value) {
  if (value == FOrientation) return;
  FOrientation = value;
  std::swap(FPaperWidth, FPaperHeight);
  UpdateDimensions();
}

void TqdxReportPage::SetPaperWidth(double value) {
  FPaperWidth = value;
  FPaperSize = DMPAPER_USER;
  UpdateDimensions();
}

void TqdxReportPage::SetPaperHeight(double value) {
  FPaperHeight = value;
  FPaperSize = DMPAPER_USER;
  UpdateDimensions();
}

void TqdxReportPage::SetPaperSize(int32_t value) {
  FPaperSize = value;
  double w, h;
  if (value < DMPAPER_USER && qdxPaperSize(value, w, h)) {
    if (FOrientation == poLandscape) std::swap(w, h);
    FPaperWidth = w;
    FPaperHeight = h;
    UpdateDimensions();
  }
}

double TqdxReportPage::LeftMarginOf(int pageIndex) const {
  return (MirrorMargins && pageIndex % 2 != 0) ? RightMargin : LeftMargin;
}

double TqdxReportPage::RightMarginOf(int pageIndex) const {
  return (MirrorMargins && pageIndex % 2 != 0) ? LeftMargin : RightMargin;
}

void TqdxReportPage::SetColumns(int32_t value) {
  // A huge count from a damaged file would fill millions of positions.
  if (value > MaxColumns) throw EqdxPropertyError("Invalid property value " + std::to_string(value));
  FColumns = value < 0 ? 0 : value;
  ColumnPositions.clear();
  if (FColumns == 0) return;
  ColumnWidth = (FPaperWidth - LeftMargin - RightMargin) / FColumns;
  for (int32_t i = 0; i < FColumns; ++i) {
    char buf[64];
    auto res = std::to_chars(buf, buf + sizeof(buf), i * ColumnWidth, std::chars_format::general, 15);
    ColumnPositions.emplace_back(buf, res.ptr);
  }
}
