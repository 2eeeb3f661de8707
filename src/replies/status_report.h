// The status reply turned into the status report, the window's values and the
// device lists of what is connected.
#pragma once

#include <span>

#include "cycle_state.h"
#include "tessaro_controller.h"

// Told when a status reply stops before the last setting of its layout.
inline constexpr char kReplyEndedEarly[] = "- Reply ended early: the remaining settings were not received.\n";

// For a reply whose first byte is 0xCC, in the layout of itype: appends the
// report to statusText and writes the reported settings into cycle.capture.
// Only the received bytes are decoded. Without an identified controller there
// is no layout to read the reply in, and only kReplyEndedEarly is appended.
void decodeStatusReply(std::span<const unsigned char> reply, Cycle& cycle, TessaroController& window);
