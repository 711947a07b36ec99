#include "document/qdxCheckBoxView.h"

#include "document/qdxViewRegistration.h"

const TqdxClassInfo& TqdxCheckBoxView::StaticClassInfo() {
  static const TqdxEnumInfo checks("TqdxCheckStyle", {"csCross", "csCheck", "csLineCross", "csPlus"});
  static const TqdxEnumInfo unchecks("TqdxUncheckStyle", {"usEmpty", "usCross", "usLineCross", "usMinus"});
  static const TqdxClassInfo& info = qdxDefineClass<TqdxCheckBoxView>(
      "TqdxCheckBoxView", &TqdxView::StaticClassInfo(), [](TqdxClassBuilder<TqdxCheckBoxView>& Reg) {
        using C = TqdxCheckBoxView;
        Reg.Bool("Checked", &C::Checked).Default(true);
        Reg.Int("CheckColor", &C::CheckColor).Default(clBlack);
        Reg.Enum("CheckStyle", checks, &C::CheckStyle).Default(csCross);
        Reg.Enum("UncheckStyle", unchecks, &C::UncheckStyle).Default(usEmpty);
        qdxPublishDataBinding(Reg);
        Reg.Str("Expression", &C::Expression);
        qdxPublishViewLook(Reg);
      });
  return info;
}

TqdxCheckBoxView::TqdxCheckBoxView(TqdxBaseComponent* owner) : TqdxView(owner) {
  SetWidth(5 * qd01cm);
  SetHeight(5 * qd01cm);
}
