#pragma once
// Shape objects.

#include "document/qdxView.h"

enum TqdxShapeKind : uint8_t {
  skRectangle, skRoundRectangle, skEllipse, skTriangle, skDiamond, skDiagonal1, skDiagonal2
};

class TqdxShapeView : public TqdxView {
public:
  QDX_CLASS(TqdxShapeView)
  explicit TqdxShapeView(TqdxBaseComponent* owner = nullptr);

  TqdxShapeKind Shape = skRectangle;
  int32_t Curve = 0;  // corner radius factor of the rounded rectangle

  // The shape paints its own fill and outline (no rectangular frame).
  void Draw(TCanvas& canvas, double scaleX, double scaleY, double offsetX, double offsetY) override;

private:
  void DrawShape();
  // Outlines the shape once with the current pen and brush.
  void Outline();
  bool FForceSolid = false;  // the inner outline of a double frame
};
