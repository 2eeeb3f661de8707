// korvel-console: the desktop test console for the Korvel controllers.
#include <QApplication>
#include <QTimer>
#include <QWidget>
#include <iostream>

#include "console_command_line.h"
#include "console_session.h"
#include "console_window.h"
#include "korvel_version.h"
#include "stop_signals.h"
#include "tessaro_controller.h"
#include "window_icon.h"

int main(int argc, char** argv) {
  // Read before the toolkit starts, which needs a display.
  const ConsoleCommandLine line = ParseConsoleCommandLine({argv + 1, argv + argc});
  if (const std::optional<int> status = AnswerWithoutWindow(line, std::cout, std::cerr)) return *status;

  QApplication application(argc, argv);
  QGuiApplication::setDesktopFileName(QString::fromLatin1(kKorvelAppId));
  ConsoleWindow window;
  TessaroController controller;
  TessaroApp tessaroApp;
  window.bind(controller, tessaroApp);
  ApplyConsoleOptions(line.options, controller);
  ConsoleSession session(window, controller);
  if (!line.options.log.empty()) session.startRecord(line.options.log);
  StopSignals stopSignals([&session] { session.requestExit(); });
  window.widget().show();
  // Drawing the icon takes a few milliseconds; the window need not wait for it.
  QTimer::singleShot(0, [] { QApplication::setWindowIcon(ConsoleIcon()); });
  const int result = application.exec();
  // Whatever ended the event loop, the port gets its settings back; after
  // exit: this does nothing.
  session.requestExit();
  return result;
}
