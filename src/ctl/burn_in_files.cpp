#include "burn_in_files.h"

#include "html_report.h"
#include "korvel_version.h"

std::string OpenBurnInFiles(const CtlRequest& r, BurnInFiles& files) {
  files.startedAt = std::chrono::system_clock::now();
  if (!r.csv.empty()) {
    if (const std::string failure = files.csv.open(r.csv); !failure.empty()) return failure;
  }
  if (!r.report.empty()) {
    if (const std::string problem = files.report.open(r.report); !problem.empty()) return problem;
  }
  return {};
}

std::string WriteBurnInReport(const CtlRequest& r, BurnInFiles& files, const BurnInSummary& summary,
                              const std::string& port, const std::string& variant) {
  if (!files.report.opened()) return {};
  RunDescription run;
  run.variant = variant;
  run.configuration = files.configuration;
  run.port = port;
  run.startedAt = files.startedAt;
  run.endedAt = std::chrono::system_clock::now();
  run.programVersion = std::string("korvel-ctl ") + kKorvelVersion;
  run.invocation = r.invocation;
  return files.report.keep(ReportHtml(run, summary.statistics));
}
