// korvel-ctl: the controller's commands from the shell. It drives the same
// controller object, command cycle, encoders and reply interpreters as the
// desktop console, on a headless window.
#include <QCoreApplication>
#include <QGuiApplication>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <string_view>

#include "ctl_request.h"
#include "ctl_run.h"
#include "rack_channel.h"
#include "rack_run.h"
#include "setting_tables.h"
#include "results_output.h"
#include "stop_request.h"

namespace {

// Without a desktop session the toolkit says it picked a runtime directory
// of its own, on every run: no message for a script's standard error.
void QuietAboutRuntimeDirectory(QtMsgType type, const QMessageLogContext& context, const QString& message) {
  if (type == QtWarningMsg && message.startsWith("QStandardPaths: ")) return;
  std::fputs(qFormatLogMessage(type, context, message).toLocal8Bit().append('\n').constData(), stderr);
}

// A report's charts are drawn with text, which takes a GUI application; with
// no display, on the offscreen platform. Every other run needs Qt Core only.
std::unique_ptr<QCoreApplication> ApplicationFor(int& argc, char** argv) {
  bool report = false;
  for (int i = 1; i < argc; ++i) {
    const std::string_view word = argv[i];
    if (word == "--") break;
    report = report || word == "--report" || word.starts_with("--report=");
  }
  if (!report) return std::make_unique<QCoreApplication>(argc, argv);
  qInstallMessageHandler(QuietAboutRuntimeDirectory);
  if (setenv("QT_QPA_PLATFORM", "offscreen", 0) != 0) {
    std::fprintf(stderr, "korvel-ctl: cannot choose the offscreen platform - %s(%d).\n", std::strerror(errno), errno);
  }
  return std::make_unique<QGuiApplication>(argc, argv);
}

}  // namespace

int main(int argc, char** argv) {
  FILE* results = SeparateResults();
  if (results == nullptr) {
    std::fprintf(stderr, "korvel-ctl: cannot set up standard output - %s(%d).\n", std::strerror(errno), errno);
    return kExitUsage;
  }
  // The parser's help names the program from the application's arguments.
  const std::unique_ptr<QCoreApplication> application = ApplicationFor(argc, argv);
  CtlRequest request;
  int status = ReadCommandLine(argc, argv, request, results);
  if (status < 0) {
    if (!InstallStopHandlers()) {
      std::fprintf(stderr, "korvel-ctl: cannot handle its stop signals - %s(%d).\n", std::strerror(errno), errno);
    }
    OpenRackChannel(request.rackFd);
    status = request.ports.size() > 1 ? RunRack(request, argc, argv, results) : RunRequest(request, results);
  }
  // A result that could not be written is no result.
  if (std::fclose(results) != 0 && status == kExitDone) status = kExitUsage;
  return status;
}
