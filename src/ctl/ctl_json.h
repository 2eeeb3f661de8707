// korvel-ctl's --json results other than the status and the burn-in summary:
// one object per result, one line each, with stable keys.
#pragma once

#include <cstdint>
#include <string>

#include "port_discovery.h"

// {"path": "/dev/ttyUSB0", "kind": "USB serial adapter: …", "group":
// "usb-adapter" | "emulator" | "serial-port", "picked": true}
std::string PortJson(const ListedPort& port, bool picked);

// {"variant": "triad", "configuration": "<the reply's text>"}
std::string ConfigJson(int32_t variant, const std::string& configuration);
