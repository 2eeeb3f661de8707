// The files a burn-in or a check keeps besides its summary: the CSV of its
// rows, appended to as each cycle ends, and the HTML report, written once at
// the end and never over a file that is there. Both are opened before the
// port opens (the report as its temporary file beside it), so that a file
// that cannot be kept ends the run before anything is sent. A rack's
// controller opens neither: its parent owns the user's files, and gets the
// rows and the report's section as records.
#pragma once

#include <chrono>
#include <string>

#include "burn_in.h"
#include "csv_rows.h"
#include "ctl_request.h"
#include "html_report.h"
#include "report_file.h"

struct BurnInFiles {
  CsvFile csv;
  ReportFile report;  // opened when one was asked for
  bool reportToRack = false;  // a report asked for, sent to a rack's parent as its section
  std::string configuration;  // the configuration reply's text, for the report
  std::chrono::system_clock::time_point startedAt;
};

// Empty when ready, else the text for the user.
std::string OpenBurnInFiles(const CtlRequest& request, BurnInFiles& files);

// Writes the report of a finished run when one was asked for (in a rack:
// sends its section); empty when written or none was asked for, else the
// text for the user.
std::string WriteBurnInReport(const CtlRequest& request, BurnInFiles& files, const BurnInSummary& summary,
                              const std::string& port);

// The run's description for its report: the user's label, operator and note.
RunDescription DescribeRunOf(const CtlRequest& request, const BurnInFiles& files, const std::string& configuration,
                             const std::string& port);
