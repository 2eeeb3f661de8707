#include "rack_report_page.h"

#include "korvel_version.h"
#include "rack_report.h"

namespace {

// The overview's colour of each outcome.
const char* VerdictClass(ControllerOutcome outcome) {
  switch (outcome) {
    case ControllerOutcome::kPassed:
      return "passed";
    case ControllerOutcome::kSilent:
      return "silent";
    case ControllerOutcome::kStopped:
      return "stopped";
    case ControllerOutcome::kFailed:
      break;
  }
  return "failed";
}

// "Check of 4 controllers", "Burn-in of 8 controllers".
std::string Title(const CtlRequest& r, std::size_t controllers) {
  return std::string(r.command == "check" ? "Check" : "Burn-in") + " of " + std::to_string(controllers) +
         " controllers";
}

}  // namespace

std::string WriteRackReport(const CtlRequest& r, ReportFile& file, std::chrono::system_clock::time_point startedAt,
                            const std::vector<ControllerRow>& rows, const std::vector<ControllerTold>& told) {
  const RackDescription rack{startedAt,  std::chrono::system_clock::now(), std::string("korvel-ctl ") + kKorvelVersion,
                             r.invocation, r.operatorName, r.note, r.label};
  std::vector<RackRow> overview;
  std::vector<std::string> sections;
  for (std::size_t i = 0; i < rows.size(); ++i) {
    const ControllerRow& row = rows[i];
    // The label is the rack's, in its table: every controller was given the same.
    overview.push_back({row.port, row.variant, {}, row.verdict, VerdictClass(row.outcome), row.failures, row.duration,
                        row.message});
    sections.push_back(i < told.size() ? told[i].report : std::string());
  }
  return file.keep(RackReportHtml(Title(r, rows.size()), rack, overview, sections));
}
