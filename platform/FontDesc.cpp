#include "platform/FontDesc.h"

#include <cmath>

int32_t FontHeightFromPoints(double points, int ppi) {
  return -static_cast<int32_t>(std::nearbyint(points * ppi / 72.0));
}
