// SIGINT, SIGTERM and SIGHUP end the console through the window's exit, so
// that the port gets its settings back also when the console is stopped from
// a terminal or by a script. One instance at a time.
#pragma once

#include <QObject>

#include <functional>

class QSocketNotifier;

class StopSignals : public QObject {
 public:
  // onStop runs on the main thread, from the event loop.
  explicit StopSignals(std::function<void()> onStop);
  ~StopSignals() override;
  StopSignals(const StopSignals&) = delete;
  StopSignals& operator=(const StopSignals&) = delete;

  // False when the signals could not be caught; they then end the program at
  // once, as they would without this object.
  bool installed() const { return notifier_ != nullptr; }

 private:
  void drain();

  std::function<void()> onStop_;
  QSocketNotifier* notifier_ = nullptr;
};
