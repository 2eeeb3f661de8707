#include "stop_signals.h"

#include <fcntl.h>
#include <signal.h>
#include <unistd.h>

#include <QSocketNotifier>

#include <cerrno>
#include <cstring>

#include "diagnostics.h"

namespace {

constexpr int kStopSignals[] = {SIGINT, SIGTERM, SIGHUP};

// The handler only writes a byte; the event loop reads it and does the work.
int wakeRead = -1;
int wakeWrite = -1;

void OnStopSignal(int) {
  const int saved = errno;
  const char byte = 1;
  // A full pipe already holds a wake-up, and a handler has no one to tell of
  // a failed write.
  if (write(wakeWrite, &byte, 1) < 0) errno = saved;
  errno = saved;
}

bool SetHandler(void (*handler)(int)) {
  struct sigaction action {};
  action.sa_handler = handler;
  action.sa_flags = SA_RESTART;
  sigemptyset(&action.sa_mask);
  for (const int signal : kStopSignals) {
    if (sigaction(signal, &action, nullptr) != 0) return false;
  }
  return true;
}

void ReportFailure(const char* operation) {
  const int error = errno;
  PrintDiagnostic("Error %s for stop signals - %s(%d).\n", operation, std::strerror(error), error);
}

}  // namespace

StopSignals::StopSignals(std::function<void()> onStop) : onStop_(std::move(onStop)) {
  int ends[2];
  if (pipe2(ends, O_CLOEXEC | O_NONBLOCK) != 0) {
    ReportFailure("opening a pipe");
    return;
  }
  wakeRead = ends[0];
  wakeWrite = ends[1];
  notifier_ = new QSocketNotifier(wakeRead, QSocketNotifier::Read, this);
  connect(notifier_, &QSocketNotifier::activated, this, &StopSignals::drain);
  if (!SetHandler(OnStopSignal)) {
    ReportFailure("installing handlers");
    SetHandler(SIG_DFL);
    delete notifier_;
    notifier_ = nullptr;
  }
}

StopSignals::~StopSignals() {
  if (notifier_ != nullptr) SetHandler(SIG_DFL);
  if (wakeRead >= 0) close(wakeRead);
  if (wakeWrite >= 0) close(wakeWrite);
  wakeRead = wakeWrite = -1;
}

void StopSignals::drain() {
  char bytes[16];
  while (read(wakeRead, bytes, sizeof bytes) > 0) {
  }
  if (onStop_) onStop_();
}
