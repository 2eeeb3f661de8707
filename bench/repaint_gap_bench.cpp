// The longest time the console's window goes without a repaint while a
// command cycle waits about a second for the controller. The window is built
// as korvel-console builds it, its port is opened on an emulated Triad that
// answers one second after the echo, and a timer asks the window for a repaint
// every few milliseconds, as an animation or a covered window would; the paint
// events that reach the window are timed while the send button's cycle runs.
// Run it with QT_QPA_PLATFORM=offscreen or on an X display.
#include <QApplication>
#include <QEvent>
#include <QPushButton>
#include <QTimer>
#include <QWidget>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <functional>
#include <vector>

#include "console_session.h"
#include "console_window.h"
#include "pty_server.h"
#include "tessaro_controller.h"

namespace {

using Clock = std::chrono::steady_clock;
using Milliseconds = std::chrono::duration<double, std::milli>;
using emulator::EmulatorServer;

constexpr std::chrono::milliseconds kAnswerDelay{1000};
constexpr std::chrono::milliseconds kRepaintRequestInterval{4};
constexpr Milliseconds kTarget{50};
// Showing the window and opening the port each take well under this.
constexpr std::chrono::seconds kSettleTimeout{5};

// The times of the paint events one widget receives.
class PaintClock : public QObject {
 public:
  explicit PaintClock(QWidget& widget) : widget_(widget) { widget_.installEventFilter(this); }
  ~PaintClock() override { widget_.removeEventFilter(this); }
  PaintClock(const PaintClock&) = delete;
  PaintClock& operator=(const PaintClock&) = delete;

  void clear() { paints_.clear(); }
  std::size_t count() const { return paints_.size(); }

  // The longest time between from and to without a paint; from and to count
  // as paints, so that a stretch without any is one long gap.
  Milliseconds longestGap(Clock::time_point from, Clock::time_point to) const {
    Clock::time_point previous = from;
    Milliseconds longest{0};
    for (const Clock::time_point paint : paints_) {
      if (paint < from || paint > to) continue;
      longest = std::max<Milliseconds>(longest, paint - previous);
      previous = paint;
    }
    return std::max<Milliseconds>(longest, to - previous);
  }

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override {
    if (watched == &widget_ && event->type() == QEvent::Paint) paints_.push_back(Clock::now());
    return QObject::eventFilter(watched, event);
  }

 private:
  QWidget& widget_;
  std::vector<Clock::time_point> paints_;
};

bool ProcessEventsUntil(const std::function<bool()>& done) {
  const auto deadline = Clock::now() + kSettleTimeout;
  while (!done() && Clock::now() < deadline) QApplication::processEvents(QEventLoop::AllEvents, 10);
  return done();
}

// One send action, prepared by choosing a control as the operator would.
struct Cycle {
  const char* name;
  std::function<void(TessaroController&)> choose;
  std::function<bool(const EmulatorServer&)> arrived;  // the controller got the command
};

class Bench {
 public:
  Bench(EmulatorServer& emulated, ConsoleWindow& window, TessaroController& controller)
      : emulated_(emulated), window_(window), controller_(controller), paints_(window.widget()) {}

  bool openPort() {
    controller_.searchField->setStringValue(emulated_.devicePath());
    window_.buttons().open->click();
    if (controller_.openField->stringValue() == "Port is ready for communication.") return true;
    std::printf("the emulated controller did not go on line\n");
    return false;
  }

  bool windowPaints() {
    if (ProcessEventsUntil([this] { return paints_.count() > 0; })) return true;
    std::printf("the window was never painted (try an X display instead of QT_QPA_PLATFORM=offscreen)\n");
    return false;
  }

  // Prints the cycle's figure; false when it is out of target or the cycle
  // did not reach the controller.
  bool run(const Cycle& cycle) {
    cycle.choose(controller_);
    paints_.clear();
    const auto start = Clock::now();
    window_.buttons().send->click();
    const auto end = Clock::now();
    const Milliseconds gap = paints_.longestGap(start, end);
    const std::chrono::duration<double> took = end - start;
    std::printf("%-34s longest gap = %5.1f ms in a %.2f s cycle, %zu repaints  (target < %.0f ms)\n", cycle.name,
                gap.count(), took.count(), paints_.count(), kTarget.count());
    if (!cycle.arrived(emulated_)) {
      std::printf("  the emulated controller did not receive the command\n");
      return false;
    }
    return gap < kTarget;
  }

 private:
  EmulatorServer& emulated_;
  ConsoleWindow& window_;
  TessaroController& controller_;
  PaintClock paints_;
};

bool RunBench(EmulatorServer& emulated, ConsoleWindow& window, TessaroController& controller) {
  const Cycle cycles[] = {
      {"repaint gap, status query cycle",
       [](TessaroController& c) { c.otherCommand->selectItemAtIndex(1); },
       [](const EmulatorServer& e) {
         const auto received = e.received();
         return std::find(received.begin(), received.end(), 0xCC) != received.end();
       }},
      {"repaint gap, wheel move cycle",
       [](TessaroController& c) { c.filterA->selectItemAtIndex(3); },
       [](const EmulatorServer& e) { return e.state().wheels[0].filter == 3; }},
  };
  Bench bench(emulated, window, controller);
  if (!bench.windowPaints() || !bench.openPort()) return false;
  bool within = true;
  for (const Cycle& cycle : cycles) within = bench.run(cycle) && within;
  return within;
}

}  // namespace

int main(int argc, char** argv) {
  QApplication application(argc, argv);
  EmulatorServer::Options options;
  options.latency = kAnswerDelay;
  options.announce = false;
  EmulatorServer emulated(options);
  if (!emulated.start()) {
    std::printf("cannot start the emulator: %s\n", emulated.error().c_str());
    return 1;
  }

  ConsoleWindow window;
  TessaroController controller;
  TessaroApp tessaroApp;
  window.bind(controller, tessaroApp);
  ConsoleSession session(window, controller);
  window.widget().show();

  QTimer repaintRequests;
  repaintRequests.setTimerType(Qt::PreciseTimer);
  QObject::connect(&repaintRequests, &QTimer::timeout, [&window] { window.widget().update(); });
  repaintRequests.start(kRepaintRequestInterval);

  bool within = false;
  QTimer::singleShot(0, [&] {
    within = RunBench(emulated, window, controller);
    QApplication::exit(0);
  });
  QApplication::exec();
  session.requestExit();
  return within ? 0 : 1;
}
