// What the status line says about the port, as a person would say it: none
// open, open and on line, open but silent, gone away, closed, or why an open
// failed and what to do about it.
#pragma once

#include <string>

#include "serial_state.h"

struct PortView {
  std::string path;               // the port the last Open tried
  bool open = false;              // a descriptor is held
  bool closedByOperator = false;  // the Close action let it go
  PortHealth health;
};

// The port as the serial link's process-wide state shows it now.
PortView CurrentPort(const std::string& path, bool closedByOperator);

std::string PortStateText(const PortView& port);
