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
};
