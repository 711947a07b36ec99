#pragma once
// The font of report objects: the stored form is the pixel height at 96 dpi;
// the point size is derived from it.

#include "document/qdxGraphics.h"
#include "document/qdxTypInfo.h"

#include <string>

enum TqdxFontStyle : uint8_t { fsBold, fsItalic, fsUnderline, fsStrikeOut };
using TqdxFontStyles = uint8_t;  // bits 1 bold, 2 italic, 4 underline, 8 strike-out
enum TqdxFontPitch : uint8_t { fpDefault, fpVariable, fpFixed };

constexpr uint8_t DEFAULT_CHARSET = 1;

class TqdxFont;

// Told when a font changes (components use it to leave ParentFont).
class TqdxFontListener {
public:
  virtual void FontChanged(TqdxFont& font) = 0;

protected:
  ~TqdxFontListener() = default;
};

class TqdxFont : public TqdxPersistent {
public:
  QDX_CLASS(TqdxFont)
  static constexpr int PixelsPerInch = 96;

  TqdxFont() = default;

  const std::string& GetName() const { return FName; }
  void SetName(const std::string& value);
  // Points, derived from the height.
  int32_t GetSize() const;
  void SetSize(int32_t value);
  // Negative pixel height at 96 dpi.
  int32_t GetHeight() const { return FHeight; }
  void SetHeight(int32_t value);
  TqdxColor GetColor() const { return FColor; }
  void SetColor(TqdxColor value);
  TqdxFontStyles GetStyle() const { return FStyle; }
  void SetStyle(TqdxFontStyles value);
  bool HasStyle(TqdxFontStyle s) const { return (FStyle & qdxBit(s)) != 0; }
  uint8_t GetCharset() const { return FCharset; }
  void SetCharset(uint8_t value);
  TqdxFontPitch GetPitch() const { return FPitch; }
  void SetPitch(TqdxFontPitch value);
  int32_t GetOrientation() const { return FOrientation; }
  void SetOrientation(int32_t value);

  void Assign(const TqdxPersistent& source) override;
  // Same name (ignoring case), height, colour, style, charset, pitch, orientation.
  bool SameAs(const TqdxFont& other) const;

  void SetListener(TqdxFontListener* listener) { FListener = listener; }

private:
  void Changed();

  std::string FName = "Arial";
  int32_t FHeight = -13;  // 10 points
  TqdxColor FColor = clBlack;
  TqdxFontStyles FStyle = 0;
  uint8_t FCharset = DEFAULT_CHARSET;
  TqdxFontPitch FPitch = fpDefault;
  int32_t FOrientation = 0;
  TqdxFontListener* FListener = nullptr;
};

const TqdxEnumInfo& qdxFontStyleEnum();
