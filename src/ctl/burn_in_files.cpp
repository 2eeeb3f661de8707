#include "burn_in_files.h"

#include "html_report.h"

std::string OpenBurnInFiles(const CtlRequest& r, BurnInFiles& files) {
  files.startedAt = std::chrono::system_clock::now();
  if (!r.csv.empty()) {
    if (const std::string failure = files.csv.open(r.csv, files.startedAt); !failure.empty()) return failure;
  }
  if (!r.report.empty()) {
    if (const std::string problem = files.report.open(r.report); !problem.empty()) return problem;
  }
  return {};
}

std::string WriteBurnInReport(const CtlRequest& r, BurnInFiles& files, const BurnInSummary& summary,
                              const std::string& port) {
  if (!files.report.opened()) return {};
  RunDescription run = DescribeRun("korvel-ctl", files.configuration, port, files.startedAt,
                                   std::chrono::system_clock::now(), r.invocation);
  run.label = r.label;
  run.operatorName = r.operatorName;
  run.note = r.note;
  return files.report.keep(ReportHtml(run, summary.statistics, BurnInVerdict(summary), VerdictDetail(summary)));
}
