// Why an open of a port failed and what to do about it, as a person would
// say it; the window's status line and korvel-ctl use the same words.
#pragma once

#include <string>

#include "serial_state.h"

// "another program holds the port. End it there, then Open again.", from the
// step that failed and its error.
std::string OpenFailureReason(const std::string& path, const PortHealth& health);

// Why a network address did not open, without advice: "host not found",
// "connection refused", "no answer within 5 s", "the server did not take
// the baud rate 300 (it set 9600)", "another program holds the port".
std::string NetworkOpenFailure(const PortHealth& health);

// How a port that went away went: "unplugged or switched off", or for a
// network address "the server closed the connection or it was lost".
std::string GoneWords(const std::string& path);

// Why the operator may not open path, and how to be let in: the group that
// owns the device and the command that adds the user to it.
std::string PermissionAdvice(const std::string& path);
