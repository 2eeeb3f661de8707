// The window cut to the controls of the attached controller, once it is known.
#pragma once

#include "cycle_state.h"
#include "tessaro_controller.h"

// The reply that told the variant. The two Duo variants are reshaped
// differently on the two paths.
enum class IdentifiedBy { kConfigurationReply, kStatusReply };

// Retitles, cuts, hides and greys the window's controls for the variant, and
// sets the captured values of the controls it takes away to 0. Does nothing
// for kUnknown.
void ReshapeWindow(Variant variant, IdentifiedBy path, Capture& capture, TessaroController& window);
