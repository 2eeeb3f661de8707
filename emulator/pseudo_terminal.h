// A pseudo-terminal whose slave side plays the controller's serial device.
#pragma once

#include <optional>
#include <string>

#include "unique_fd.h"

namespace emulator {

struct PseudoTerminal {
  UniqueFd master;  // non-blocking
  // Held open for the terminal's whole life, so that the master never sees a
  // hang-up when a console closes the device between two sessions.
  UniqueFd slave;
  std::string devicePath;
};

// Opens a pseudo-terminal with a raw slave side: no echo, no line editing and
// no CR/LF translation, so that bytes pass unchanged both ways. On failure
// returns nothing and describes the failed call in `error`.
std::optional<PseudoTerminal> OpenPseudoTerminal(std::string& error);

}  // namespace emulator
