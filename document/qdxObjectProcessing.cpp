#include "document/qdxObjectProcessing.h"

#include "document/qdxClassBuilder.h"

const TqdxClassInfo& TqdxObjectProcessing::StaticClassInfo() {
  static const TqdxEnumInfo values("TqdxProcessAt",
                                   {"paDefault", "paReportFinished", "paReportPageFinished", "paPageFinished",
                                    "paColumnFinished", "paDataFinished", "paGroupFinished", "paCustom"});
  static const TqdxClassInfo& info = qdxDefineClass<TqdxObjectProcessing>(
      "TqdxObjectProcessing", &TqdxPersistent::StaticClassInfo(), [](TqdxClassBuilder<TqdxObjectProcessing>& Reg) {
        Reg.Enum("ProcessAt", values, &TqdxObjectProcessing::ProcessAt).Default(paDefault);
        Reg.Int("GroupLevel", &TqdxObjectProcessing::GroupLevel).Default(0);
      });
  return info;
}
