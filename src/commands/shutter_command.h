#pragma once

#include "cycle_state.h"
#include "tessaro_controller.h"

// Encodes a changed shutter state, mode or step count (kShutterAstatus to kShutterBsteps).
Encoding EncodeShutterCommand(SettingField field, Cycle& cycle, const TessaroController& window);
