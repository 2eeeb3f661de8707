// The decoded settings of a status reply as one JSON object, with stable key
// names: variant, wheels, shutters, for the Mono its trigger, free-run and
// timer settings, and complete (false when the reply ended early; the object
// then holds only the settings received).
#pragma once

#include <cstdint>
#include <span>
#include <string>

#include "cycle_state.h"

// reply: the bytes received, the echoed 0xCC first; variant: the identified
// controller (itype). Ends with a line end.
std::string StatusJson(std::span<const unsigned char> reply, int32_t variant);

