#pragma once
// Gaps between a band's fill and its edges, in pixels.

#include "document/qdxTypInfo.h"

class TqdxFillGaps : public TqdxPersistent {
public:
  QDX_CLASS(TqdxFillGaps)
  double Top = 0;
  double Left = 0;
  double Bottom = 0;
  double Right = 0;
};
