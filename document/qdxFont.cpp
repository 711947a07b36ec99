#include "document/qdxFont.h"

#include "document/qdxClassBuilder.h"

const TqdxEnumInfo& qdxFontStyleEnum() {
  static const TqdxEnumInfo info("TFontStyle", {"fsBold", "fsItalic", "fsUnderline", "fsStrikeOut"});
  return info;
}

namespace {
const TqdxEnumInfo& FontPitchEnum() {
  static const TqdxEnumInfo info("TFontPitch", {"fpDefault", "fpVariable", "fpFixed"});
  return info;
}
}  // namespace

const TqdxClassInfo& TqdxFont::StaticClassInfo() {
  static const TqdxClassInfo& info = qdxDefineClass<TqdxFont>(
      "TqdxFont", &TqdxPersistent::StaticClassInfo(), [](TqdxClassBuilder<TqdxFont>& Reg) {
        Reg.Int("Charset", &TqdxFont::GetCharset, &TqdxFont::SetCharset).Default(DEFAULT_CHARSET);
        Reg.Int("Color", &TqdxFont::GetColor, &TqdxFont::SetColor);
        Reg.Int("Height", &TqdxFont::GetHeight, &TqdxFont::SetHeight);
        Reg.Str("Name", &TqdxFont::GetName, &TqdxFont::SetName);
        Reg.Int("Orientation", &TqdxFont::GetOrientation, &TqdxFont::SetOrientation).Default(0);
        Reg.Enum("Pitch", FontPitchEnum(), &TqdxFont::GetPitch, &TqdxFont::SetPitch).Default(fpDefault);
        // The height is the stored form; the size is its point view.
        Reg.Int("Size", &TqdxFont::GetSize, &TqdxFont::SetSize).Stored(false);
        Reg.Set("Style", qdxFontStyleEnum(), &TqdxFont::GetStyle, &TqdxFont::SetStyle).Default(0);
      });
  return info;
}

void TqdxFont::Changed() {
  if (FListener != nullptr) FListener->FontChanged(*this);
}

void TqdxFont::SetName(const std::string& value) {
  FName = value;
  Changed();
}

int32_t TqdxFont::GetSize() const { return -qdxMulDiv(FHeight, 72, PixelsPerInch); }

void TqdxFont::SetSize(int32_t value) { SetHeight(-qdxMulDiv(value, PixelsPerInch, 72)); }

void TqdxFont::SetHeight(int32_t value) {
  FHeight = value;
  Changed();
}

void TqdxFont::SetColor(TqdxColor value) {
  FColor = value;
  Changed();
}

void TqdxFont::SetStyle(TqdxFontStyles value) {
  FStyle = value & 0x0F;
  Changed();
}

void TqdxFont::SetCharset(uint8_t value) {
  FCharset = value;
  Changed();
}

void TqdxFont::SetPitch(TqdxFontPitch value) {
  FPitch = value;
  Changed();
}

void TqdxFont::SetOrientation(int32_t value) {
  FOrientation = value;
  Changed();
}

void TqdxFont::Assign(const TqdxPersistent& source) {
  const auto* f = dynamic_cast<const TqdxFont*>(&source);
  if (f == nullptr) {
    TqdxPersistent::Assign(source);
    return;
  }
  FName = f->FName;
  FHeight = f->FHeight;
  FColor = f->FColor;
  FStyle = f->FStyle;
  FCharset = f->FCharset;
  FPitch = f->FPitch;
  FOrientation = f->FOrientation;
  Changed();
}

bool TqdxFont::SameAs(const TqdxFont& o) const {
  return qdxSameText(FName, o.FName) && FHeight == o.FHeight && FColor == o.FColor && FStyle == o.FStyle &&
         FCharset == o.FCharset && FPitch == o.FPitch && FOrientation == o.FOrientation;
}
