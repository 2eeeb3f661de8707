// A check's report: one self-contained HTML page with the controller, the
// verdict first (a restore that failed before it), the table of steps with
// the failed ones marked, a chart per wheel of move time against distance
// with one series per speed, and the restore's outcome. Needs a
// QGuiApplication, for the charts' text.
#pragma once

#include <string>

#include "controller_check.h"
#include "html_report.h"

std::string CheckReportHtml(const RunDescription& run, const CheckResult& result);
