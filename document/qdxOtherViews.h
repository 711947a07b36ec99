#pragma once
// Further object classes that prepared pages may contain (barcodes, rich
// text, charts and the like). Their contents are not read: they load with
// the common view properties, keep their binary data and are written back
// unchanged. Until they can be drawn they behave like plain views.

#include "document/qdxView.h"

#define QDX_OTHER_VIEW(Name)    \
  class Name : public TqdxView { \
  public:                        \
    QDX_CLASS(Name)              \
    using TqdxView::TqdxView;    \
  };

QDX_OTHER_VIEW(TqdxBarCodeView)
QDX_OTHER_VIEW(TqdxBarcode2DView)
QDX_OTHER_VIEW(TqdxZipCodeView)
QDX_OTHER_VIEW(TqdxRichView)
QDX_OTHER_VIEW(TqdxOLEView)
QDX_OTHER_VIEW(TqdxChartView)
QDX_OTHER_VIEW(TqdxGaugeView)
QDX_OTHER_VIEW(TqdxIntervalGaugeView)
QDX_OTHER_VIEW(TqdxMapView)
QDX_OTHER_VIEW(TqdxCrossView)
QDX_OTHER_VIEW(TqdxDBCrossView)
QDX_OTHER_VIEW(TqdxTableObject)
QDX_OTHER_VIEW(TqdxCellularText)
QDX_OTHER_VIEW(TqdxDigitalSignatureView)
QDX_OTHER_VIEW(TqdxDMPMemoView)
QDX_OTHER_VIEW(TqdxDMPLineView)
QDX_OTHER_VIEW(TqdxDMPCommand)
#undef QDX_OTHER_VIEW
