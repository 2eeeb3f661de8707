#pragma once

#include <cstdint>
#include <vector>

#include "controller_types.h"

namespace emulator {

// The status reply between the echoed CC and the closing 0x0D, in the
// variant's layout.
std::vector<uint8_t> StatusAnswer(const ControllerSetup& setup, const ControllerState& state);

}  // namespace emulator
