#pragma once

#include "cycle_state.h"

// Encodes the first changed wheel value, or kNothing when no wheel changed.
Encoding EncodeWheelCommand(Cycle& cycle);
