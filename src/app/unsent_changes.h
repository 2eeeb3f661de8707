// One Send sends one command, and the cycle remembers every other change the
// operator made as if it had been sent: the window then shows values the
// controller never received. These name those controls for the status line.
#pragma once

#include <string>
#include <vector>

#include "cycle_state.h"
#include "tessaro_controller.h"

// The window's values and the remembered ones, taken just before a cycle.
struct ChangesBefore {
  Capture capture;
  Capture remembered;
};

ChangesBefore TakeChangesBefore(const TessaroController& window);

// After the cycle: the changed controls, other than the one whose command
// was sent, that are now remembered with the operator's value. sent tells
// whether a command went out; fromSetting whether it was the first changed
// setting's rather than the first changed wheel value's.
std::vector<std::string> UnsentControls(const ChangesBefore& before, bool sent, bool fromSetting);

// The status line's message for them; empty when there are none.
std::string UnsentMessage(const std::vector<std::string>& controls);
