#include "controller_types.h"

namespace emulator {

bool ControllerSetup::has(Device device) const {
  switch (variant) {
    case Variant::kTriad:
      return true;
    case Variant::kDuoWheelShutter:
      return device == Device::kWheelA || device == Device::kShutterA;
    case Variant::kDuoShutterShutter:
      return device == Device::kShutterA || device == Device::kShutterB;
    case Variant::kMono:
      return device == Device::kShutterA;
  }
  return false;
}

bool ControllerSetup::connected(Device device) const {
  return has(device) && notConnected.count(device) == 0;
}

bool ControllerSetup::twoShutters() const {
  return variant == Variant::kTriad || variant == Variant::kDuoShutterShutter;
}

}  // namespace emulator
