// The top of a report that a colleague signs: the verdict as a coloured
// banner, then the failures as a table, before any chart. Plain functions,
// for the report of any run that ends with a verdict and a list of failures.
// Their look is in the report's style sheet (ReportHead).
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "failure_record.h"

// verdict: "passed", "failed", "stopped", "no reply" or "bad reply", which
// also picks the colour (green, red, grey, orange); detail: a line under it,
// such as "1000 of 1000 rounds, 4 failures"; may be empty.
std::string VerdictBannerHtml(const std::string& verdict, const std::string& detail);

// The failures kept, in order: round (or whatever roundHeading names, such
// as "step"; "-" for the whole run), setting, failure, expected, reported or
// the message, ms and the time of day it was found; then, when total is
// more than were kept, how many more there were. Empty when total is 0.
// Without kindAndTimeOfDay, the failure and time-of-day columns are left out,
// for a run whose failures have neither (a check's steps).
std::string FailureTableHtml(const std::vector<FailureRecord>& failures, int64_t total,
                             const std::string& roundHeading = "round", bool kindAndTimeOfDay = true);

// A failure's time of day, to the millisecond: "21:04:05.123".
std::string FailureTimeText(const FailureRecord& failure);
