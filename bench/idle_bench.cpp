// What the console's window costs while it waits, built as korvel-console
// builds it and shown in a real X window (bench/idle_bench runs it on a
// private Xvfb): the process's CPU time over wall time across a quiet period
// with no port open and then with its port open to an idle emulated Triad;
// the longest stall of its event loop over a quiet period of each kind, as
// the lateness of a 5 ms timer (measured apart, since that timer wakes the
// loop itself); and the delay from an emulator's announcement to its entry
// in the list of ports, the median over 10 starts.
//
// Usage: idle_bench [SECONDS]  (the quiet period, 30 by default)
#include <sys/resource.h>

#include <QAbstractItemModel>
#include <QApplication>
#include <QComboBox>
#include <QEventLoop>
#include <QPushButton>
#include <QTimer>
#include <QWidget>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <vector>

#include "console_session.h"
#include "console_window.h"
#include "pty_server.h"
#include "tessaro_controller.h"

namespace {

using Clock = std::chrono::steady_clock;
using Seconds = std::chrono::duration<double>;
using Milliseconds = std::chrono::duration<double, std::milli>;
using emulator::EmulatorServer;

constexpr double kIdleTargetPercent = 0.05;
constexpr double kIdleOpenTargetPercent = 0.1;
constexpr Milliseconds kStallTarget{10};
constexpr Milliseconds kAnnouncementTarget{300};
constexpr std::chrono::milliseconds kStallTick{5};
constexpr int kStarts = 10;
// The window's first listing and its icon come within this after the start.
constexpr std::chrono::seconds kSettle{3};
constexpr std::chrono::seconds kEntryTimeout{3};

Seconds ProcessCpuTime() {
  rusage usage{};
  if (getrusage(RUSAGE_SELF, &usage) != 0) return {};
  const auto seconds = [](const timeval& t) { return Seconds(t.tv_sec + t.tv_usec / 1e6); };
  return seconds(usage.ru_utime) + seconds(usage.ru_stime);
}

// Runs the event loop for the duration, or until done says so.
void RunFor(std::chrono::milliseconds duration, const std::function<bool()>& done = {}) {
  QEventLoop loop;
  QTimer::singleShot(duration, &loop, &QEventLoop::quit);
  QTimer check;
  if (done) {
    QObject::connect(&check, &QTimer::timeout, [&] {
      if (done()) loop.quit();
    });
    check.start(1);
  }
  loop.exec();
}

double IdlePercent(Seconds period) {
  const Seconds before = ProcessCpuTime();
  const auto start = Clock::now();
  RunFor(std::chrono::duration_cast<std::chrono::milliseconds>(period));
  return 100.0 * (ProcessCpuTime() - before) / Seconds(Clock::now() - start);
}

Milliseconds LongestStall(Seconds period) {
  QTimer tick;
  tick.setTimerType(Qt::PreciseTimer);
  Clock::time_point last = Clock::now();
  Milliseconds longest{0};
  QObject::connect(&tick, &QTimer::timeout, [&] {
    const Clock::time_point now = Clock::now();
    longest = std::max<Milliseconds>(longest, Milliseconds(now - last) - kStallTick);
    last = now;
  });
  tick.start(kStallTick);
  RunFor(std::chrono::duration_cast<std::chrono::milliseconds>(period));
  return longest;
}

bool Report(const char* name, double value, double target, const char* unit) {
  std::printf("%-52s %8.3f %s  (target <= %g %s)\n", name, value, unit, target, unit);
  return value <= target;
}

bool Listed(const QComboBox& list, const std::string& path) {
  return list.findData(QString::fromStdString(path)) >= 0;
}

// From just before an emulator starts (and announces itself) to its entry in
// the list; negative when it did not come.
Milliseconds AnnouncementDelay(const QComboBox& list) {
  EmulatorServer::Options options;
  options.baud = 0;
  EmulatorServer emulated(options);
  const auto start = Clock::now();
  if (!emulated.start() || emulated.announcement().empty()) return Milliseconds(-1);
  Clock::time_point shown{};
  QMetaObject::Connection rows = QObject::connect(list.model(), &QAbstractItemModel::rowsInserted, [&] {
    if (shown == Clock::time_point{} && Listed(list, emulated.devicePath())) shown = Clock::now();
  });
  RunFor(kEntryTimeout, [&] { return shown != Clock::time_point{}; });
  QObject::disconnect(rows);
  emulated.stop();
  RunFor(kEntryTimeout, [&] { return !Listed(list, emulated.devicePath()); });
  return shown == Clock::time_point{} ? Milliseconds(-1) : Milliseconds(shown - start);
}

bool RunBench(ConsoleWindow& window, TessaroController& controller, Seconds period) {
  bool within = true;
  RunFor(kSettle);
  within = Report("idle CPU, no port open", IdlePercent(period), kIdleTargetPercent, "%") && within;
  within = Report("longest event-loop stall, no port open", LongestStall(period).count(), kStallTarget.count(),
                  "ms") && within;

  EmulatorServer::Options options;
  options.announce = false;
  EmulatorServer idle(options);
  if (!idle.start()) {
    std::printf("cannot start the emulator: %s\n", idle.error().c_str());
    return false;
  }
  controller.searchField->setStringValue(idle.devicePath());
  window.buttons().open->click();
  if (controller.openField->stringValue() != "Port is ready for communication.") {
    std::printf("the emulated controller did not go on line\n");
    return false;
  }
  RunFor(kSettle);
  within = Report("idle CPU, port open to an idle emulator", IdlePercent(period), kIdleOpenTargetPercent, "%") &&
           within;
  within = Report("longest event-loop stall, port open", LongestStall(period).count(), kStallTarget.count(), "ms") &&
           within;
  window.buttons().close->click();
  idle.stop();

  std::vector<double> delays;
  for (int i = 0; i < kStarts; ++i) {
    const Milliseconds delay = AnnouncementDelay(*window.keepingControls().portChoice);
    if (delay.count() < 0) {
      std::printf("an emulator's announcement did not reach the list within %lld s\n",
                  static_cast<long long>(kEntryTimeout.count()));
      return false;
    }
    delays.push_back(delay.count());
  }
  std::sort(delays.begin(), delays.end());
  const double median = (delays[kStarts / 2 - 1] + delays[kStarts / 2]) / 2;
  char name[80];
  std::snprintf(name, sizeof name, "announcement to list, median of %d starts", kStarts);
  within = Report(name, median, kAnnouncementTarget.count(), "ms") && within;
  return within;
}

}  // namespace

int main(int argc, char** argv) {
  QApplication application(argc, argv);
  const Seconds period(argc > 1 ? std::atof(argv[1]) : 30.0);
  ConsoleWindow window;
  TessaroController controller;
  TessaroApp tessaroApp;
  window.bind(controller, tessaroApp);
  ConsoleSession session(window, controller);
  window.widget().show();
  bool within = false;
  QTimer::singleShot(0, [&] {
    within = RunBench(window, controller, period);
    QApplication::exit(0);
  });
  QApplication::exec();
  session.requestExit();
  return within ? 0 : 1;
}
