// Follows the open port while no action runs, so that an adapter unplugged or
// an emulator ended shows on the status line when it happens rather than at
// the next Send. The port's own hang-up tells: the kernel hangs a terminal up
// when its device goes, and poll then reports POLLHUP and POLLERR on the
// descriptor until it is closed.
//
// The watch is an exception notifier, which fires on those and never on the
// bytes that arrive: a read notifier would fire for every stray byte, which
// the next command's transaction must find still waiting. It sleeps while an
// action runs, since the transaction reads and waits on the descriptor itself.
// A network line is watched for reading instead: a socket tells its closed
// connection so, and its stream takes the bytes off the socket into its own
// inbox, where the next transaction finds them as it would on a terminal.
#pragma once

#include <QObject>

#include <functional>
#include <memory>

class QSocketNotifier;

class HangUpWatch : public QObject {
 public:
  // wentAway runs once the followed port has hung up (portHealth says so).
  explicit HangUpWatch(std::function<void()> wentAway);
  ~HangUpWatch() override;
  HangUpWatch(const HangUpWatch&) = delete;
  HangUpWatch& operator=(const HangUpWatch&) = delete;

  // Follows fd from now on; nothing when fd is negative.
  void follow(int fd);
  // Follows nothing (an action is about to use the port, or close it).
  void stop();

 private:
  void check();

  std::function<void()> wentAway_;
  std::unique_ptr<QSocketNotifier> notifier_;
};
