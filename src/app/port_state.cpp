#include "port_state.h"

#include "network_address.h"
#include "open_failure.h"

PortView CurrentPort(const std::string& path, bool closedByOperator, bool silent) {
  return {path, fileDescriptor >= 0, closedByOperator, silent, portHealth};
}

std::string OnLineCheckFailedText(const std::string& path) {
  return path + " is open and set to 300 baud, but the controller did not answer the on-line byte EE. Check that it "
                "is switched on and connected to this port, then Open again.";
}

std::string PortStateText(const PortView& port) {
  if (port.open) {
    if (port.health.hungUp) {
      const std::string again = IsNetworkAddress(port.path) ? "Open again." : "Search, then Open.";
      return port.path + " went away (" + GoneWords(port.path) + "). " + again;
    }
    if (!port.health.onLine) return OnLineCheckFailedText(port.path);
    if (port.silent) {
      return port.path + " is open, but the controller did not answer the last command. Check that it is switched "
                         "on and connected; its next reply clears this.";
    }
    return port.path + " is open and the controller is on line.";
  }
  if (port.closedByOperator) return port.path + " is closed; other programs may use it. Open uses it again.";
  if (port.health.failedStep == OpenStep::kNone) return "No port open. Search, then Open.";
  if (port.path.empty()) return "No port to open. Search first, then Open.";
  return "Could not open " + port.path + ": " + OpenFailureReason(port.path, port.health);
}
