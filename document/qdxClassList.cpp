// The registry asks for every class of the object model before its first
// lookup, so that loading finds them by name whatever the link order.

#include "document/qdxClass.h"

void qdxRegisterDocumentClasses() {
  const TqdxClassInfo& (*const classes[])() = {
      // sub-objects
      &TqdxFont::StaticClassInfo, &TqdxFrame::StaticClassInfo, &TqdxFrameLine::StaticClassInfo,
      &TqdxBrushFill::StaticClassInfo, &TqdxGradientFill::StaticClassInfo, &TqdxGlassFill::StaticClassInfo,
      &TqdxHyperlink::StaticClassInfo, &TqdxFormat::StaticClassInfo, &TqdxHighlight::StaticClassInfo,
      &TqdxObjectProcessing::StaticClassInfo, &TqdxFillGaps::StaticClassInfo, &TqdxPictureData::StaticClassInfo,
      // views
      &TqdxMemoView::StaticClassInfo, &TqdxSysMemoView::StaticClassInfo, &TqdxLineView::StaticClassInfo,
      &TqdxPictureView::StaticClassInfo, &TqdxShapeView::StaticClassInfo, &TqdxSubreport::StaticClassInfo,
      &TqdxCheckBoxView::StaticClassInfo, &TqdxGradientView::StaticClassInfo,
      &TqdxBarCodeView::StaticClassInfo, &TqdxBarcode2DView::StaticClassInfo, &TqdxZipCodeView::StaticClassInfo,
      &TqdxRichView::StaticClassInfo, &TqdxOLEView::StaticClassInfo, &TqdxChartView::StaticClassInfo,
      &TqdxGaugeView::StaticClassInfo, &TqdxIntervalGaugeView::StaticClassInfo, &TqdxMapView::StaticClassInfo,
      &TqdxCrossView::StaticClassInfo, &TqdxDBCrossView::StaticClassInfo, &TqdxTableObject::StaticClassInfo,
      &TqdxCellularText::StaticClassInfo, &TqdxDigitalSignatureView::StaticClassInfo,
      &TqdxDMPMemoView::StaticClassInfo, &TqdxDMPLineView::StaticClassInfo, &TqdxDMPCommand::StaticClassInfo,
      // bands
      &TqdxMasterData::StaticClassInfo, &TqdxDetailData::StaticClassInfo, &TqdxSubdetailData::StaticClassInfo,
      &TqdxDataBand4::StaticClassInfo, &TqdxDataBand5::StaticClassInfo, &TqdxDataBand6::StaticClassInfo,
      &TqdxHeader::StaticClassInfo, &TqdxFooter::StaticClassInfo, &TqdxPageHeader::StaticClassInfo,
      &TqdxPageFooter::StaticClassInfo, &TqdxColumnHeader::StaticClassInfo, &TqdxColumnFooter::StaticClassInfo,
      &TqdxGroupHeader::StaticClassInfo, &TqdxGroupFooter::StaticClassInfo, &TqdxReportTitle::StaticClassInfo,
      &TqdxReportSummary::StaticClassInfo, &TqdxChild::StaticClassInfo, &TqdxOverlay::StaticClassInfo,
      &TqdxNullBand::StaticClassInfo,
      // pages and the report
      &TqdxReportPage::StaticClassInfo, &TqdxDialogPage::StaticClassInfo, &TqdxDataPage::StaticClassInfo,
      &TqdxDMPPage::StaticClassInfo, &TqdxReport::StaticClassInfo,
  };
  for (auto* cls : classes) cls();
}
