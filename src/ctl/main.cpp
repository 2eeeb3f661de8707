// korvel-ctl: the controller's commands from the shell. It drives the same
// controller object, command cycle, encoders and reply interpreters as the
// desktop console, on a headless window.
#include <QCoreApplication>

#include <cerrno>
#include <cstdio>
#include <cstring>

#include "ctl_request.h"
#include "ctl_run.h"
#include "ctl_tables.h"
#include "results_output.h"
#include "stop_request.h"

int main(int argc, char** argv) {
  FILE* results = SeparateResults();
  if (results == nullptr) {
    std::fprintf(stderr, "korvel-ctl: cannot set up standard output - %s(%d).\n", std::strerror(errno), errno);
    return kExitUsage;
  }
  // The parser's help names the program from the application's arguments.
  QCoreApplication application(argc, argv);
  CtlRequest request;
  int status = ReadCommandLine(argc, argv, request, results);
  if (status < 0) {
    if (!InstallStopHandlers()) {
      std::fprintf(stderr, "korvel-ctl: cannot handle its stop signals - %s(%d).\n", std::strerror(errno), errno);
    }
    status = RunRequest(request, results);
  }
  // A result that could not be written is no result.
  if (std::fclose(results) != 0 && status == kExitDone) status = kExitUsage;
  return status;
}
