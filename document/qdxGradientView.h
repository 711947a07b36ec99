#pragma once
// Gradient rectangles.

#include "document/qdxView.h"

class TqdxGradientView : public TqdxView {
public:
  QDX_CLASS(TqdxGradientView)
  using TqdxView::TqdxView;

  TqdxColor BeginColor = clWhite;
  TqdxColor EndColor = clGray;
  TqdxGradientStyle Style = gsHorizontal;

  // Reads the colour halfway between BeginColor and EndColor; writing sets
  // the view's own colour.
  TqdxColor GetColor() const override { return qdxMiddleColor(BeginColor, EndColor); }
  void SetColor(TqdxColor value) override { FOwnColor = value; }
  TqdxColor OwnColor() const { return FOwnColor; }

  // The gradient over the drawing rectangle (no background), then the frame.
  void Draw(TCanvas& canvas, double scaleX, double scaleY, double offsetX, double offsetY) override;

private:
  TqdxColor FOwnColor = clNone;
};
