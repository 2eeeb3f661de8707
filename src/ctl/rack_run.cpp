#include "rack_run.h"

#include <unistd.h>

#include <chrono>
#include <string>
#include <vector>

#include "controller_arguments.h"
#include "csv_rows.h"
#include "ctl_check.h"
#include "ctl_messages.h"
#include "rack_processes.h"
#include "rack_progress.h"
#include "rack_records.h"
#include "rack_report_page.h"
#include "rack_results.h"
#include "report_file.h"
#include "setting_tables.h"
#include "stop_request.h"

namespace {

// The user's files, opened before any controller starts: the CSV with a
// port column, the report as its temporary file beside it.
struct RackFiles {
  CsvFile csv;
  ReportFile report;
  std::chrono::system_clock::time_point startedAt;
};

std::string OpenRackFiles(const CtlRequest& r, RackFiles& files) {
  files.startedAt = std::chrono::system_clock::now();
  if (!r.csv.empty()) {
    if (std::string failure = files.csv.open(r.csv, files.startedAt, CsvColumns::kPortFirst); !failure.empty()) {
      return failure;
    }
  }
  if (!r.report.empty()) return files.report.open(r.report);
  return {};
}

std::vector<std::vector<std::string>> CommandLines(const CtlRequest& r, int argc, char** argv) {
  const std::vector<std::string> given(argv, argv + argc);
  std::vector<std::vector<std::string>> lines;
  for (const std::string& port : r.ports) lines.push_back(ControllerArguments(given, port, r.command == "check"));
  return lines;
}

// Runs every controller's process with the progress lines on a terminal;
// what their records told goes into their ends.
std::vector<ControllerEnd> RunAll(const CtlRequest& r, int argc, char** argv, RackFiles& files,
                                  std::vector<ControllerTold>& told) {
  RackProgress progress(isatty(STDERR_FILENO) ? stderr : nullptr, r.ports);
  RackRecords records(r.ports, progress, files.csv.writing() ? &files.csv : nullptr);
  std::vector<ControllerEnd> ends = RunControllers(CommandLines(r, argc, argv), r.ports, records);
  told = records.told();
  for (std::size_t i = 0; i < ends.size() && i < told.size(); ++i) {
    ends[i].variant = told[i].variant;
    ends[i].configuration = told[i].configuration;
  }
  return ends;
}

}  // namespace

int RunRack(const CtlRequest& r, int argc, char** argv, FILE* results) {
  // The check moves every controller's wheels: asked once, for all of them.
  if (r.command == "check") {
    if (const int refused = CheckConsent(r); refused >= 0) return refused;
  }
  RackFiles files;
  if (const std::string failure = OpenRackFiles(r, files); !failure.empty()) {
    Tell("korvel-ctl: " + failure + "\n");
    return kExitUsage;
  }
  const RemovedAtSecondSignal temporary(files.report.temporaryPath());
  if (StopRequested()) return StoppedStatus();
  std::vector<ControllerTold> told;
  std::vector<ControllerEnd> ends = RunAll(r, argc, argv, files, told);
  std::vector<ControllerRow> rows;
  for (const ControllerEnd& end : ends) rows.push_back(RowOf(end, StopSignal()));
  std::fputs((r.json ? RackJson(ends, rows) : RackSummaryText(rows, StopSignal())).c_str(), results);
  int status = RackExitStatus(rows, StopSignal());
  if (files.report.opened()) {
    if (const std::string failure = WriteRackReport(r, files.report, files.startedAt, rows, told); !failure.empty()) {
      Tell("korvel-ctl: " + failure + "\n");
      if (status == kExitDone) status = kExitUsage;
    }
  }
  return status;
}
