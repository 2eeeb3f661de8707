// What a burn-in asks for, checked before the port opens: each --max-ms
// SETTING=MS names a setting of the run, and a burn-in of set burns in
// (no cycle that sends nothing round after round). And the limit each step
// of the run is held to.
#pragma once

#include <string>
#include <vector>

#include "ctl_request.h"

// Empty when the burn-in may run, else the text for the user.
std::string BurnInPlanProblem(const CtlRequest& request);

// Why a set burn-in found the controller with every value already: what to
// give instead, with its line end.
std::string NothingToSendWords(const CtlRequest& request);

// The limit of a step that sets keys ("wheelA.filter"; "status" for the
// status query): the largest --max-ms SETTING=MS of them, else --max-ms MS;
// 0 for none.
double MaxMsOf(const CtlRequest& request, const std::vector<std::string>& keys);

// The limits in words for the summary ("2000 ms a cycle, wheelA.filter 2500
// ms, drift 10 %"); empty when none was given.
std::string LimitsText(const CtlRequest& request);
