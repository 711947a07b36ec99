#include "document/qdxHyperlink.h"

#include "document/qdxClassBuilder.h"

const TqdxClassInfo& TqdxHyperlink::StaticClassInfo() {
  static const TqdxEnumInfo kinds("TqdxHyperlinkKind",
                                  {"hkURL", "hkAnchor", "hkPageNumber", "hkDetailReport", "hkDetailPage", "hkCustom"});
  static const TqdxClassInfo& info = qdxDefineClass<TqdxHyperlink>(
      "TqdxHyperlink", &TqdxPersistent::StaticClassInfo(), [](TqdxClassBuilder<TqdxHyperlink>& Reg) {
        Reg.Enum("Kind", kinds, &TqdxHyperlink::Kind).Default(hkURL);
        Reg.Str("Value", &TqdxHyperlink::Value);
        Reg.Str("Expression", &TqdxHyperlink::Expression);
        Reg.Str("DetailReport", &TqdxHyperlink::DetailReport);
        Reg.Str("DetailPage", &TqdxHyperlink::DetailPage);
        Reg.Str("ReportVariable", &TqdxHyperlink::ReportVariable);
        Reg.Str("TabCaption", &TqdxHyperlink::TabCaption);
        Reg.Str("ValuesSeparator", &TqdxHyperlink::ValuesSeparator);
      });
  return info;
}
