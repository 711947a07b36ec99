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

private:
  TqdxColor FOwnColor = clNone;
};
