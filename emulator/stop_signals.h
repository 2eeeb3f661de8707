// How a program that serves an emulated controller ends: on SIGINT, SIGTERM or
// SIGHUP.
#pragma once

#include <signal.h>

#include <memory>
#include <vector>

#include "network_server.h"
#include "pty_server.h"

namespace emulator {

// Blocks the stop signals in the calling thread, before the serving thread
// starts, so that it inherits the mask and the signals reach only
// WaitForStopSignal. False when they could not be blocked.
bool BlockStopSignals(sigset_t& signals);

// Waits for a stop signal; false when serving failed first.
bool WaitForStopSignal(const sigset_t& signals, const EmulatorServer& server);
bool WaitForStopSignal(const sigset_t& signals, const NetworkServer& server);
// Of several: false when serving failed on any of them first.
bool WaitForStopSignal(const sigset_t& signals, const std::vector<std::unique_ptr<EmulatorServer>>& servers);

}  // namespace emulator
