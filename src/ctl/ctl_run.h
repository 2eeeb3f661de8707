// Runs what korvel-ctl was asked: opens the port, runs the command's cycles on
// the headless window and prints the results. Returns the exit status.
#pragma once

#include <cstdio>

#include "ctl_request.h"

int RunRequest(const CtlRequest& request, FILE* results);
