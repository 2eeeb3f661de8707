// Which program holds a serial port that korvel-ctl found busy. Only the
// user's own processes can be seen: /proc shows another user's descriptors
// to no one but root, and korvel-ctl asks no more rights than it has.
#pragma once

#include <string>

// "picocom (process 4242)" for the first of the user's own processes that
// has path open, or empty when none is found.
std::string PortHolder(const std::string& path);
