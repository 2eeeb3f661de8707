// korvel-ctl check: asks before it starts (the check moves wheels and opens
// shutters), then runs the controller check with a line per step, a progress
// line on a terminal and the summary or the JSON object at the end.
#pragma once

#include <cstdio>

#include "burn_in_files.h"
#include "ctl_request.h"
#include "line_session.h"

// Before the port is opened: -1 to go on (--yes, or yes answered on a
// terminal), else the exit status of a check not started.
int CheckConsent(const CtlRequest& request);

int RunCheckCommand(LineSession& session, const CtlRequest& request, BurnInFiles& files, FILE* results);
