// The first step of a cycle: every control's value, read in a fixed order.
#pragma once

#include "cycle_state.h"
#include "tessaro_controller.h"

// The word the operator may type into repeatNumber, in any letter case.
inline constexpr char kContinuousWord[] = "continuous";

Capture CaptureControls(const TessaroController& window);
