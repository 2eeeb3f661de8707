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
  bool silent = false;            // the last command sent got no reply
  PortHealth health;
};

// The port as the serial link's process-wide state shows it now.
PortView CurrentPort(const std::string& path, bool closedByOperator, bool silent);

std::string PortStateText(const PortView& port);

// What the failed on-line check means, for the record beside the field's
// "Failed to open the communication port.": the status line's own words.
std::string OnLineCheckFailedText(const std::string& path);
