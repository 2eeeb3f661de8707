// Whether a Send costs the same at the end of a long session as at its start:
// 5,000 status queries through the desktop window (built as korvel-console
// builds it) against an emulated Triad that answers at once. The window's
// thread's CPU time per cycle over the last 500 against the first 500, and the
// growth of resident memory per cycle beside the bytes the two views gained
// per cycle. Run it with QT_QPA_PLATFORM=offscreen or on an X display.
#include <unistd.h>

#include <QApplication>
#include <QPushButton>
#include <QTimer>
#include <QWidget>

#include <chrono>
#include <cstdio>
#include <fstream>

#include "console_session.h"
#include "console_window.h"
#include "pty_server.h"
#include "tessaro_controller.h"
#include "thread_cpu_time.h"

namespace {

using Seconds = std::chrono::duration<double>;
using emulator::EmulatorServer;

constexpr int kCycles = 5000;
constexpr int kBlock = 500;
constexpr double kTargetRatio = 1.2;

long ResidentBytes() {
  std::ifstream statm("/proc/self/statm");
  long size = 0;
  long resident = 0;
  statm >> size >> resident;
  return resident * sysconf(_SC_PAGESIZE);
}

std::size_t ViewBytes(const ConsoleWindow& window) { return window.logText().size() + window.statusText().size(); }

// CPU time of one block of status queries.
Seconds SendStatusQueries(ConsoleWindow& window, TessaroController& controller, int count) {
  const Seconds before = ThreadCpuTime();
  for (int i = 0; i < count; ++i) {
    controller.otherCommand->selectItemAtIndex(1);
    window.buttons().send->click();
  }
  return ThreadCpuTime() - before;
}

bool RunBench(ConsoleWindow& window, TessaroController& controller, const EmulatorServer& emulated) {
  controller.searchField->setStringValue(emulated.devicePath());
  window.buttons().open->click();
  if (controller.openField->stringValue() != "Port is ready for communication.") {
    std::printf("the emulated controller did not go on line\n");
    return false;
  }
  const long residentBefore = ResidentBytes();
  const std::size_t viewsBefore = ViewBytes(window);
  Seconds first{};
  Seconds last{};
  for (int done = 0; done < kCycles; done += kBlock) {
    const Seconds cpu = SendStatusQueries(window, controller, kBlock);
    if (done == 0) first = cpu;
    last = cpu;
  }
  const double ratio = last / first;
  const double memoryPerCycle = static_cast<double>(ResidentBytes() - residentBefore) / kCycles;
  const double viewsPerCycle = static_cast<double>(ViewBytes(window) - viewsBefore) / kCycles;
  std::printf("%d status queries: CPU per cycle %.2f ms over the first %d, %.2f ms over the last %d: "
              "%.2fx  (target <= %.1fx)\n",
              kCycles, first.count() * 1000 / kBlock, kBlock, last.count() * 1000 / kBlock, kBlock, ratio,
              kTargetRatio);
  std::printf("resident memory grew %.0f bytes per cycle; the views gained %.0f bytes of text per cycle\n",
              memoryPerCycle, viewsPerCycle);
  return ratio <= kTargetRatio;
}

}  // namespace

int main(int argc, char** argv) {
  QApplication application(argc, argv);
  EmulatorServer::Options options;
  options.baud = 0;
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
  bool within = false;
  QTimer::singleShot(0, [&] {
    within = RunBench(window, controller, emulated);
    QApplication::exit(0);
  });
  QApplication::exec();
  session.requestExit();
  return within ? 0 : 1;
}
