#include "document/qdxHighlight.h"

#include "document/qdxClassBuilder.h"

TqdxHighlight::TqdxHighlight() : FFill(qdxCreateFill(ftBrush)) { FFont.SetColor(clRed); }

const TqdxClassInfo& TqdxHighlight::StaticClassInfo() {
  static const TqdxEnumInfo types("TqdxInteractiveType", {"ihNone", "ihClick", "ihEnter", "ieLeave"});
  static const TqdxClassInfo& info = qdxDefineClass<TqdxHighlight>(
      "TqdxHighlight", &TqdxPersistent::StaticClassInfo(), [](TqdxClassBuilder<TqdxHighlight>& Reg) {
        Reg.Bool("Active", &TqdxHighlight::Active).Default(false).Stored(false);
        Reg.Bool("ApplyFont", &TqdxHighlight::ApplyFont).Default(true);
        Reg.Bool("ApplyFill", &TqdxHighlight::ApplyFill).Default(true);
        Reg.Bool("ApplyFrame", &TqdxHighlight::ApplyFrame).Default(false);
        Reg.Object("Font", &TqdxHighlight::GetFont);
        // The fill type comes before the fill: reading it replaces the fill.
        Reg.Enum("FillType", qdxFillTypeEnum(), &TqdxHighlight::GetFillType, &TqdxHighlight::SetFillType)
            .Default(ftBrush);
        Reg.Object("Fill", &TqdxHighlight::GetFill);
        Reg.Object("Frame", &TqdxHighlight::GetFrame);
        Reg.Int("Color", &TqdxHighlight::GetColor, &TqdxHighlight::SetColor).Default(clNone).Stored(false);
        Reg.Str("Condition", &TqdxHighlight::Condition);
        Reg.Enum("InteractiveType", types, &TqdxHighlight::InteractiveType).Default(ihNone);
        Reg.Bool("Visible", &TqdxHighlight::Visible).Default(true);
      });
  return info;
}
