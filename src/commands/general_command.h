#pragma once

#include "cycle_state.h"
#include "tessaro_controller.h"

// Encodes the entry picked in the general command list (otherCommand).
Encoding EncodeGeneralCommand(Cycle& cycle, const TessaroController& window);
