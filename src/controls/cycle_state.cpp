#include "cycle_state.h"

#include <algorithm>

int32_t icomm0[kWheelFields];
int32_t scomm0[kSettingFields];
int32_t itype = kUnknown;

void ResetCycleState() {
  std::fill(std::begin(icomm0), std::end(icomm0), 0);
  std::fill(std::begin(scomm0), std::end(scomm0), 0);
  itype = kUnknown;
}

const char* VariantName(int32_t variant) {
  switch (variant) {
    case kTriad:
      return "triad";
    case kDuoWheelShutter:
      return "duo-wheel-shutter";
    case kDuoShutterShutter:
      return "duo-shutter-shutter";
    case kMono:
      return "mono";
    default:
      return "unknown";
  }
}
