#pragma once
// A place holder for another report page inside a band.

#include "document/qdxView.h"

class TqdxSubreport : public TqdxView {
public:
  QDX_CLASS(TqdxSubreport)
  using TqdxView::TqdxView;
};
