#include "document/qdxFormat.h"

#include "document/qdxClassBuilder.h"

const TqdxClassInfo& TqdxFormat::StaticClassInfo() {
  static const TqdxEnumInfo kinds("TqdxFormatKind", {"fkText", "fkNumeric", "fkDateTime", "fkBoolean"});
  static const TqdxClassInfo& info = qdxDefineClass<TqdxFormat>(
      "TqdxFormat", &TqdxPersistent::StaticClassInfo(), [](TqdxClassBuilder<TqdxFormat>& Reg) {
        Reg.Enum("Kind", kinds, &TqdxFormat::Kind).Default(fkText);
        Reg.Str("FormatStr", &TqdxFormat::FormatStr);
        Reg.Str("DecimalSeparator", &TqdxFormat::DecimalSeparator);
        Reg.Str("ThousandSeparator", &TqdxFormat::ThousandSeparator);
      });
  return info;
}
