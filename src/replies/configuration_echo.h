// The reply to the configuration query, shown as the text it is.
#pragma once

#include <span>

#include "cycle_state.h"
#include "tessaro_controller.h"

// For a reply whose first byte is 0xFD, in place of the byte echo: appends a
// line for byte 0, the characters in lines by the reply's length, and a line
// for the final byte. A reply of a known length identifies the controller
// while none is identified.
void HandleConfigurationReply(std::span<const unsigned char> reply, Cycle& cycle, TessaroController& window);
