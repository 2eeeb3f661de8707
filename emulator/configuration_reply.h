#pragma once

#include <cstdint>
#include <vector>

#include "controller_types.h"

namespace emulator {

// The configuration reply's characters, between the echoed FD and the
// closing 0x0D. Consoles tell the variant by the reply's length (31 bytes
// Triad, 16 Duo shutter/shutter, 14 the others) and, at 14 bytes, by the
// first character: '1' for the Duo wheel/shutter.
std::vector<uint8_t> ConfigurationAnswer(Variant variant);

}  // namespace emulator
