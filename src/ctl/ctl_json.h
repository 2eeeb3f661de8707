// korvel-ctl's --json results other than the status and the burn-in summary:
// one object per result, one line each, with stable keys. Every result of a
// command cycle carries its times, measured at the line from the command's
// first byte handed to the driver, in milliseconds to a tenth (null when the
// line did not see it):
//   "echo_ms": 33.4     to the reply's echo
//   "reply_ms": 2034.5  to the reply's last byte (a move's closing byte: its end)
#pragma once

#include <cstdint>
#include <string>

#include "line_session.h"
#include "port_discovery.h"

// {"path": "/dev/ttyUSB0", "kind": "USB serial adapter: …", "group":
// "usb-adapter" | "emulator" | "serial-port", "picked": true}
std::string PortJson(const ListedPort& port, bool picked);

// {"variant": "triad", "configuration": "<the reply's text>", "echo_ms": …, "reply_ms": …}
std::string ConfigJson(int32_t variant, const std::string& configuration, const CycleResult& cycle);

// {"command": "NAME", "reply": "CC 0D", "echo_ms": …, "reply_ms": …}
std::string CommandJson(const std::string& name, const CycleResult& cycle);

// One cycle of set: {"setting": "wheelA.filter=9", "result": "pass" | "fail",
// "sent_bytes": 1, "reply_bytes": 2, "echo_ms": …, "reply_ms": …}
std::string SettingJson(const std::string& setting, const CycleResult& cycle);

// A JSON object's line (status --json) with the cycle's times added as its
// last members.
std::string WithTimes(const std::string& objectLine, const CycleResult& cycle);
