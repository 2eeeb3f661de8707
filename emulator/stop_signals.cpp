#include "stop_signals.h"

#include <pthread.h>

#include <cerrno>
#include <ctime>

namespace emulator {

namespace {

// How often the waiting thread looks whether serving still goes on.
constexpr long kHealthCheckNs = 200'000'000;

template <class Server>
bool WaitWhileServing(const sigset_t& signals, const Server& server) {
  const timespec pause{0, kHealthCheckNs};
  for (;;) {
    if (sigtimedwait(&signals, nullptr, &pause) >= 0) return true;
    if (errno != EAGAIN && errno != EINTR) return false;
    if (!server.serving()) return false;
  }
}

struct AllServing {
  const std::vector<std::unique_ptr<EmulatorServer>>& servers;
  bool serving() const {
    for (const auto& server : servers) {
      if (!server->serving()) return false;
    }
    return true;
  }
};

}  // namespace

bool BlockStopSignals(sigset_t& signals) {
  sigemptyset(&signals);
  sigaddset(&signals, SIGINT);
  sigaddset(&signals, SIGTERM);
  // Closing the terminal it runs in ends it the same way.
  sigaddset(&signals, SIGHUP);
  return pthread_sigmask(SIG_BLOCK, &signals, nullptr) == 0;
}

bool WaitForStopSignal(const sigset_t& signals, const EmulatorServer& server) {
  return WaitWhileServing(signals, server);
}

bool WaitForStopSignal(const sigset_t& signals, const NetworkServer& server) {
  return WaitWhileServing(signals, server);
}

bool WaitForStopSignal(const sigset_t& signals, const std::vector<std::unique_ptr<EmulatorServer>>& servers) {
  return WaitWhileServing(signals, AllServing{servers});
}

}  // namespace emulator
