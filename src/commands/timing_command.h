#pragma once

#include "cycle_state.h"
#include "tessaro_controller.h"

// Encodes a changed repeat number, time field or timer type (kRepeatNumber to kTimerType).
Encoding EncodeTimingCommand(SettingField field, Cycle& cycle, const TessaroController& window);
