// A run's summary per setting, as text and as JSON, with the same stable
// keys (scripts read them):
//   setting         "wheelA.filter=9", "status"
//   count           cycles of the setting
//   failures        of them, failed
//   min_ms median_ms p95_ms max_ms
//                   the reply times, command to the reply's last byte
//   first_tenth_ms  median of the first tenth of the run's times
//   last_tenth_ms   median of the last tenth: above first_tenth_ms, the
//                   setting took longer as the run went on
// Times in milliseconds to a tenth; "-" in the text and null in JSON when
// no cycle of the setting got a reply.
#pragma once

#include <QJsonArray>
#include <string>
#include <vector>

#include "run_statistics.h"

// A table: a header line of the keys, then a line per setting, in columns.
std::string SummaryTable(const std::vector<SettingSummary>& summaries);

// An array of one object per setting.
QJsonArray SummaryJsonArray(const std::vector<SettingSummary>& summaries);

// The keys in their order, for the table and the report.
const std::vector<std::string>& SummaryKeys();
// A setting's values in the keys' order, as the table shows them.
std::vector<std::string> SummaryCells(const SettingSummary& summary);
