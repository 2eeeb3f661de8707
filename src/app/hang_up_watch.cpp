#include "hang_up_watch.h"

#include <QSocketNotifier>

#include "line_wait.h"

HangUpWatch::HangUpWatch(std::function<void()> wentAway) : wentAway_(std::move(wentAway)) {}

HangUpWatch::~HangUpWatch() = default;

void HangUpWatch::follow(int fd) {
  stop();
  if (fd < 0) return;
  // A network line's closed connection shows as readable; the stream reads
  // what the server sent meanwhile and keeps it for the next transaction.
  const bool readable = StreamOf(fd).goneSignal() == GoneSignal::kReadable;
  notifier_ = std::make_unique<QSocketNotifier>(fd, readable ? QSocketNotifier::Read : QSocketNotifier::Exception);
  connect(notifier_.get(), &QSocketNotifier::activated, this, &HangUpWatch::check);
}

void HangUpWatch::stop() { notifier_.reset(); }

void HangUpWatch::check() {
  if (!notifier_ || !LineGoneNow(static_cast<int>(notifier_->socket()))) return;
  // The hang-up stays reported until the descriptor is closed: the notifier
  // would fire again at once.
  notifier_->setEnabled(false);
  wentAway_();
}
