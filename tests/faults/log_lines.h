// What the log view shows of a cycle, written out independently of the
// console's own formatting.
#pragma once

#include <string>

#include "session_fixture.h"

inline const std::string kIgnored = "** Command Ignored **\nCurrently controller is on Local mode.\n";

// The echo lines of a reply.
std::string Echoed(const Bytes& reply);
// The same, followed by the cycle's separator.
std::string Logged(const Bytes& reply);
