#include "emulator_options.h"

namespace emulator {

EmulatorOptions ControllerOptions(const EmulatorOptions& options, int index) {
  EmulatorOptions one = options;
  one.count = 1;
  one.faultOn = 0;
  if (options.faultOn != 0 && options.faultOn != index) {
    one.stuck = {};
    one.ignoredMode = {};
    one.silentAfter = 0;
    one.wear = {};
  }
  return one;
}

}  // namespace emulator
