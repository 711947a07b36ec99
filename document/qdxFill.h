#pragma once
// Fills of a view's background: a brush (solid or hatched), a gradient or
// a glass effect.

#include "document/qdxGraphics.h"
#include "document/qdxTypInfo.h"

#include <memory>

class TCanvas;

enum TqdxFillType : uint8_t { ftBrush, ftGradient, ftGlass };
enum TqdxBrushStyle : uint8_t { bsSolid, bsClear, bsHorizontal, bsVertical, bsFDiagonal, bsBDiagonal, bsCross, bsDiagCross };
enum TqdxGradientStyle : uint8_t { gsHorizontal, gsVertical, gsElliptic, gsRectangle, gsVertCenter, gsHorizCenter };
enum TqdxFillOrientation : uint8_t { foVertical, foHorizontal, foVerticalMirror, foHorizontalMirror };

const TqdxEnumInfo& qdxFillTypeEnum();
const TqdxEnumInfo& qdxBrushStyleEnum();
const TqdxEnumInfo& qdxGradientStyleEnum();

class TqdxCustomFill : public TqdxPersistent {
public:
  QDX_CLASS(TqdxCustomFill)
  virtual TqdxFillType FillType() const = 0;
  // The colour that stands for the fill where one colour is needed.
  virtual TqdxColor GetColor() const = 0;
  // Paints the fill over [left, right) x [top, bottom) of the canvas.
  virtual void Draw(TCanvas& canvas, int left, int top, int right, int bottom, double scaleX,
                    double scaleY) const = 0;
};

class TqdxBrushFill : public TqdxCustomFill {
public:
  QDX_CLASS(TqdxBrushFill)
  TqdxColor BackColor = clNone;
  TqdxColor ForeColor = clBlack;  // hatch lines
  TqdxBrushStyle Style = bsSolid;

  TqdxFillType FillType() const override { return ftBrush; }
  TqdxColor GetColor() const override { return BackColor; }
  void Draw(TCanvas& canvas, int left, int top, int right, int bottom, double scaleX, double scaleY) const override;
};

class TqdxGradientFill : public TqdxCustomFill {
public:
  QDX_CLASS(TqdxGradientFill)
  TqdxColor StartColor = clWhite;
  TqdxColor EndColor = clBlack;
  TqdxGradientStyle GradientStyle = gsHorizontal;

  TqdxFillType FillType() const override { return ftGradient; }
  // The colour halfway between start and end.
  TqdxColor GetColor() const override { return qdxMiddleColor(StartColor, EndColor); }
  void Draw(TCanvas& canvas, int left, int top, int right, int bottom, double scaleX, double scaleY) const override;
};

class TqdxGlassFill : public TqdxCustomFill {
public:
  QDX_CLASS(TqdxGlassFill)
  TqdxColor Color = clGray;
  double Blend = 0.5;
  bool Hatch = false;
  TqdxFillOrientation Orientation = foHorizontal;

  TqdxFillType FillType() const override { return ftGlass; }
  TqdxColor GetColor() const override { return Color; }
  void Draw(TCanvas& canvas, int left, int top, int right, int bottom, double scaleX, double scaleY) const override;
  // Color lightened towards white by Blend, channel by channel.
  TqdxColor HighlightColor() const;
  // The colour of the hatch: the highlight 6 darker in each channel.
  TqdxColor HatchColor() const;
};

std::unique_ptr<TqdxCustomFill> qdxCreateFill(TqdxFillType type);

// Makes fill a fill of the given type: a fill of another type is replaced by a
// new one with initial values; a fill of that type is kept.
void qdxSetFillType(std::unique_ptr<TqdxCustomFill>& fill, TqdxFillType type);
// Colour of a fill holder: the brush's background, the gradient's middle, the
// glass colour.
inline TqdxColor qdxFillColor(const TqdxCustomFill& fill) { return fill.GetColor(); }
// Writing the colour of a fill holder sets the brush's background; gradient
// and glass fills are left unchanged.
void qdxSetFillColor(TqdxCustomFill& fill, TqdxColor color);
