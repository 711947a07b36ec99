#pragma once
// Lines: horizontal or vertical (along the object's width or height) or
// diagonal from the top-left to the bottom-right corner, drawn with the
// frame's width, style and colour.

#include "document/qdxView.h"

class TqdxCustomLineView : public TqdxStretcheable {
public:
  QDX_CLASS(TqdxCustomLineView)
  explicit TqdxCustomLineView(TqdxBaseComponent* owner = nullptr);

  bool Diagonal = false;  // negative width or height mirrors the diagonal
  bool ArrowStart = false;
  bool ArrowEnd = false;
  bool ArrowSolid = false;
  int32_t ArrowLength = 20;
  int32_t ArrowWidth = 5;

  // A straight line first becomes exactly horizontal or vertical (this
  // changes its stored geometry and frame sides), then draws as a frame.
  void Draw(TCanvas& canvas, double scaleX, double scaleY, double offsetX, double offsetY) override;
  // The straight line's normalisation on its own.
  void Normalize();

protected:
  // The arrow head at tip, pointing away from other.
  void DrawArrow(int tipX, int tipY, int otherX, int otherY);
};

class TqdxLineView : public TqdxCustomLineView {
public:
  QDX_CLASS(TqdxLineView)
  using TqdxCustomLineView::TqdxCustomLineView;
};
