#include "burn_in_files.h"

#include "html_report.h"
#include "rack_channel.h"

namespace {

void SendCsvLine(const std::string& line) { SendRackRecord(kRackCsv, QString::fromStdString(line)); }

}  // namespace

std::string OpenBurnInFiles(const CtlRequest& r, BurnInFiles& files) {
  files.startedAt = std::chrono::system_clock::now();
  if (InRack()) {
    if (!r.csv.empty()) files.csv.handTo(SendCsvLine, files.startedAt);
    files.reportToRack = !r.report.empty();
    return {};
  }
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
  if (!files.report.opened() && !files.reportToRack) return {};
  const RunDescription run = DescribeRunOf(r, files, files.configuration, port);
  if (files.reportToRack) {
    SendRackRecord(kRackReport, QString::fromStdString(ReportSectionHtml(run, summary.statistics,
                                                                         BurnInVerdict(summary),
                                                                         VerdictDetail(summary))));
    return {};
  }
  return files.report.keep(ReportHtml(run, summary.statistics, BurnInVerdict(summary), VerdictDetail(summary)));
}

RunDescription DescribeRunOf(const CtlRequest& r, const BurnInFiles& files, const std::string& configuration,
                             const std::string& port) {
  RunDescription run = DescribeRun("korvel-ctl", configuration, port, files.startedAt,
                                   std::chrono::system_clock::now(), r.invocation);
  run.label = r.label;
  run.operatorName = r.operatorName;
  run.note = r.note;
  return run;
}
