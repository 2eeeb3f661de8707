// korvel-console: the desktop test console for the Korvel controllers.
#include <QApplication>
#include <QWidget>

#include "console_session.h"
#include "console_window.h"
#include "stop_signals.h"
#include "tessaro_controller.h"

int main(int argc, char** argv) {
  QApplication application(argc, argv);
  ConsoleWindow window;
  TessaroController controller;
  TessaroApp tessaroApp;
  window.bind(controller, tessaroApp);
  ConsoleSession session(window, controller);
  StopSignals stopSignals([&session] { session.requestExit(); });
  window.widget().show();
  const int result = application.exec();
  // Whatever ended the event loop, the port gets its settings back; after
  // exit: this does nothing.
  session.requestExit();
  return result;
}
