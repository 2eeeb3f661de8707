// A check's result as korvel-ctl prints it: a line per step as it ends, the
// summary (a restore that failed first, then the verdict, the counts, the
// limits, each wheel's move times by speed, the drifts between wheels over
// the limit, and at the end the failed steps), and the whole result as one
// JSON object with stable keys (see the manual page).
#pragma once

#include <string>

#include "controller_check.h"
#include "run_who.h"

// "wheelA    filter=9    …  sent 09    …  expected 9    …  reported 9    …  pass    812.4 ms", each column
// as wide as its widest value, so that every line of a check aligns.
std::string StepLine(const CheckStep& step);

// who: the lines of those given follow the verdict's line.
std::string CheckSummaryText(const CheckResult& result, const RunWho& who = {});

std::string CheckJson(const CheckResult& result, const RunWho& who = {});
