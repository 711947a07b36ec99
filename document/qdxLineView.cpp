#include "document/qdxLineView.h"

#include "document/qdxViewRegistration.h"

const TqdxClassInfo& TqdxCustomLineView::StaticClassInfo() {
  static const TqdxClassInfo& info =
      qdxDefineClass<TqdxCustomLineView>("TqdxCustomLineView", &TqdxStretcheable::StaticClassInfo(), nullptr);
  return info;
}

const TqdxClassInfo& TqdxLineView::StaticClassInfo() {
  static const TqdxClassInfo& info = qdxDefineClass<TqdxLineView>(
      "TqdxLineView", &TqdxCustomLineView::StaticClassInfo(), [](TqdxClassBuilder<TqdxLineView>& Reg) {
        using L = TqdxCustomLineView;
        qdxPublishColor(Reg);
        Reg.Bool("Diagonal", &L::Diagonal).Default(false);
        Reg.Bool("ArrowStart", &L::ArrowStart).Default(false);
        Reg.Bool("ArrowEnd", &L::ArrowEnd).Default(false);
        Reg.Bool("ArrowSolid", &L::ArrowSolid).Default(false);
        Reg.Int("ArrowLength", &L::ArrowLength).Default(20);
        Reg.Int("ArrowWidth", &L::ArrowWidth).Default(5);
        Reg.Object("Frame", &TqdxView::GetFrame);
        Reg.Str("TagStr", &TqdxView::TagStr);
      });
  return info;
}

TqdxCustomLineView::TqdxCustomLineView(TqdxBaseComponent* owner) : TqdxStretcheable(owner) {
  ObjectFlags &= ~ofDiffByFullForm;
}
