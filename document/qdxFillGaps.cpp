#include "document/qdxFillGaps.h"

#include "document/qdxClassBuilder.h"

const TqdxClassInfo& TqdxFillGaps::StaticClassInfo() {
  static const TqdxClassInfo& info = qdxDefineClass<TqdxFillGaps>(
      "TqdxFillGaps", &TqdxPersistent::StaticClassInfo(), [](TqdxClassBuilder<TqdxFillGaps>& Reg) {
        Reg.Float("Top", &TqdxFillGaps::Top);
        Reg.Float("Left", &TqdxFillGaps::Left);
        Reg.Float("Bottom", &TqdxFillGaps::Bottom);
        Reg.Float("Right", &TqdxFillGaps::Right);
      });
  return info;
}
