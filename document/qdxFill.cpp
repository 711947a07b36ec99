#include "document/qdxFill.h"

#include "document/qdxClassBuilder.h"

const TqdxEnumInfo& qdxFillTypeEnum() {
  static const TqdxEnumInfo info("TqdxFillType", {"ftBrush", "ftGradient", "ftGlass"});
  return info;
}

const TqdxEnumInfo& qdxBrushStyleEnum() {
  static const TqdxEnumInfo info("TBrushStyle", {"bsSolid", "bsClear", "bsHorizontal", "bsVertical", "bsFDiagonal",
                                                 "bsBDiagonal", "bsCross", "bsDiagCross"});
  return info;
}

const TqdxEnumInfo& qdxGradientStyleEnum() {
  static const TqdxEnumInfo info("TqdxGradientStyle", {"gsHorizontal", "gsVertical", "gsElliptic", "gsRectangle",
                                                       "gsVertCenter", "gsHorizCenter"});
  return info;
}

namespace {
const TqdxEnumInfo& FillOrientationEnum() {
  static const TqdxEnumInfo info("TqdxFillOrientation",
                                 {"foVertical", "foHorizontal", "foVerticalMirror", "foHorizontalMirror"});
  return info;
}
}  // namespace

const TqdxClassInfo& TqdxCustomFill::StaticClassInfo() {
  static const TqdxClassInfo& info =
      qdxDefineClass<TqdxCustomFill>("TqdxCustomFill", &TqdxPersistent::StaticClassInfo(), nullptr);
  return info;
}

const TqdxClassInfo& TqdxBrushFill::StaticClassInfo() {
  static const TqdxClassInfo& info = qdxDefineClass<TqdxBrushFill>(
      "TqdxBrushFill", &TqdxCustomFill::StaticClassInfo(), [](TqdxClassBuilder<TqdxBrushFill>& Reg) {
        Reg.Int("BackColor", &TqdxBrushFill::BackColor).Default(clNone);
        Reg.Int("ForeColor", &TqdxBrushFill::ForeColor).Default(clBlack);
        Reg.Enum("Style", qdxBrushStyleEnum(), &TqdxBrushFill::Style).Default(bsSolid);
      });
  return info;
}

const TqdxClassInfo& TqdxGradientFill::StaticClassInfo() {
  static const TqdxClassInfo& info = qdxDefineClass<TqdxGradientFill>(
      "TqdxGradientFill", &TqdxCustomFill::StaticClassInfo(), [](TqdxClassBuilder<TqdxGradientFill>& Reg) {
        Reg.Int("StartColor", &TqdxGradientFill::StartColor).Default(clWhite);
        Reg.Int("EndColor", &TqdxGradientFill::EndColor).Default(clBlack);
        Reg.Enum("GradientStyle", qdxGradientStyleEnum(), &TqdxGradientFill::GradientStyle).Default(gsHorizontal);
      });
  return info;
}

const TqdxClassInfo& TqdxGlassFill::StaticClassInfo() {
  static const TqdxClassInfo& info = qdxDefineClass<TqdxGlassFill>(
      "TqdxGlassFill", &TqdxCustomFill::StaticClassInfo(), [](TqdxClassBuilder<TqdxGlassFill>& Reg) {
        Reg.Int("Color", &TqdxGlassFill::Color).Default(clGray);
        Reg.Float("Blend", &TqdxGlassFill::Blend);
        Reg.Bool("Hatch", &TqdxGlassFill::Hatch).Default(false);
        Reg.Enum("Orientation", FillOrientationEnum(), &TqdxGlassFill::Orientation).Default(foHorizontal);
      });
  return info;
}

std::unique_ptr<TqdxCustomFill> qdxCreateFill(TqdxFillType type) {
  switch (type) {
    case ftGradient: return std::make_unique<TqdxGradientFill>();
    case ftGlass: return std::make_unique<TqdxGlassFill>();
    case ftBrush: break;
  }
  return std::make_unique<TqdxBrushFill>();
}

void qdxSetFillType(std::unique_ptr<TqdxCustomFill>& fill, TqdxFillType type) {
  if (fill != nullptr && fill->FillType() == type) return;
  fill = qdxCreateFill(type);
}

void qdxSetFillColor(TqdxCustomFill& fill, TqdxColor color) {
  if (auto* brush = dynamic_cast<TqdxBrushFill*>(&fill)) brush->BackColor = color;
}
