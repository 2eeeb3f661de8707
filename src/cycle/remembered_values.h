// The end of a cycle: the captured values become the remembered ones, and the
// window shows the remembered values again.
#pragma once

#include "cycle_state.h"
#include "tessaro_controller.h"

// The wheel values and setting values 1 to 13 of capture go into icomm0 and
// scomm0; scomm0[0], the general command list, is not taken over.
void RememberCapture(const Capture& capture);

// Selects the remembered items and shows the remembered numbers: the general
// command list at entry 0, 0 as the empty text, a repeat number above 65000
// as "Continuous" (remembered as 65535 from then on).
void ShowRememberedValues(TessaroController& window);
