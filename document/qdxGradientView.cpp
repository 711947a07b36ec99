#include "document/qdxGradientView.h"

#include "document/qdxViewRegistration.h"

const TqdxClassInfo& TqdxGradientView::StaticClassInfo() {
  static const TqdxClassInfo& info = qdxDefineClass<TqdxGradientView>(
      "TqdxGradientView", &TqdxView::StaticClassInfo(), [](TqdxClassBuilder<TqdxGradientView>& Reg) {
        using G = TqdxGradientView;
        Reg.Int("BeginColor", &G::BeginColor).Default(clWhite);
        Reg.Int("EndColor", &G::EndColor).Default(clGray);
        Reg.Enum("Style", qdxGradientStyleEnum(), &G::Style).Default(gsHorizontal);
        Reg.Object("Frame", &TqdxView::GetFrame);
        qdxPublishColor(Reg);
      });
  return info;
}
