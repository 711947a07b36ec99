#pragma once
// Check box objects.

#include "document/qdxView.h"

enum TqdxCheckStyle : uint8_t { csCross, csCheck, csLineCross, csPlus };
enum TqdxUncheckStyle : uint8_t { usEmpty, usCross, usLineCross, usMinus };

class TqdxCheckBoxView : public TqdxView {
public:
  QDX_CLASS(TqdxCheckBoxView)
  explicit TqdxCheckBoxView(TqdxBaseComponent* owner = nullptr);

  bool Checked = true;
  TqdxCheckStyle CheckStyle = csCross;
  TqdxUncheckStyle UncheckStyle = usEmpty;
  TqdxColor CheckColor = clBlack;
  std::string Expression;

  // Background, the mark of the state, frame.
  void Draw(TCanvas& canvas, double scaleX, double scaleY, double offsetX, double offsetY) override;

private:
  // The cross or check mark the symbol font shows, as a glyph-sized figure.
  void DrawSymbolMark(bool check);
};
