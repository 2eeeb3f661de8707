// Which controller is attached, learnt once from its first reply that tells.
#pragma once

#include <span>

#include "cycle_state.h"
#include "status_bytes.h"
#include "tessaro_controller.h"
#include "window_reshaping.h"

// While no controller is identified: sets itype to the variant and reshapes
// the window for it. Afterwards, and for kUnknown, does nothing.
void IdentifyController(Variant variant, IdentifiedBy path, Capture& capture, TessaroController& window);

// The variant a status reply names by its bytes 1 and 2; kUnknown when the
// reply does not hold both.
Variant VariantOfStatusReply(const StatusBytes& reply);

// The status path of identification, for a reply whose first byte is 0xCC.
void IdentifyFromStatusReply(std::span<const unsigned char> reply, Cycle& cycle, TessaroController& window);
