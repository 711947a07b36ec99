#include "document/qdxShapeView.h"

#include "document/qdxViewRegistration.h"

const TqdxClassInfo& TqdxShapeView::StaticClassInfo() {
  static const TqdxEnumInfo kinds("TqdxShapeKind", {"skRectangle", "skRoundRectangle", "skEllipse", "skTriangle",
                                                    "skDiamond", "skDiagonal1", "skDiagonal2"});
  static const TqdxClassInfo& info = qdxDefineClass<TqdxShapeView>(
      "TqdxShapeView", &TqdxView::StaticClassInfo(), [](TqdxClassBuilder<TqdxShapeView>& Reg) {
        Reg.Enum("Shape", kinds, &TqdxShapeView::Shape).Default(skRectangle);
        Reg.Int("Curve", &TqdxShapeView::Curve).Default(0);
        qdxPublishColor(Reg);
        qdxPublishFrameFill(Reg);
        qdxPublishCursorTagUrl(Reg);
      });
  return info;
}

TqdxShapeView::TqdxShapeView(TqdxBaseComponent* owner) : TqdxView(owner) { ObjectFlags &= ~ofDiffByFullForm; }
