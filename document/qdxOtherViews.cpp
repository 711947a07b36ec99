#include "document/qdxOtherViews.h"

#include "document/qdxViewRegistration.h"

#define QDX_OTHER_VIEW(Name)                                                                 \
  const TqdxClassInfo& Name::StaticClassInfo() {                                             \
    static const TqdxClassInfo& info = qdxDefineClass<Name>(                                 \
        #Name, &TqdxView::StaticClassInfo(), [](TqdxClassBuilder<Name>& Reg) {               \
          qdxPublishViewLook(Reg);                                                           \
          qdxPublishDataBinding(Reg);                                                        \
        });                                                                                  \
    return info;                                                                             \
  }

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
