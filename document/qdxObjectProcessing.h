#pragma once
// When the report engine evaluates an object (carried unchanged here).

#include "document/qdxTypInfo.h"

enum TqdxProcessAt : uint8_t {
  paDefault, paReportFinished, paReportPageFinished, paPageFinished, paColumnFinished, paDataFinished,
  paGroupFinished, paCustom
};

class TqdxObjectProcessing : public TqdxPersistent {
public:
  QDX_CLASS(TqdxObjectProcessing)
  TqdxProcessAt ProcessAt = paDefault;
  int32_t GroupLevel = 0;
};
