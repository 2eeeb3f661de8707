// A rack run: check, status or a burn-in on several ports at once. Each
// controller runs in a korvel-ctl process of its own (the serial layer's
// state is one per process) with --json and --rack-fd; this process owns the
// terminal and the outputs: the progress lines, the joint summary or JSON,
// the CSV with a port column and the one report. Returns the exit status:
// the most serious of the controllers'.
#pragma once

#include <cstdio>

#include "ctl_request.h"

int RunRack(const CtlRequest& request, int argc, char** argv, FILE* results);
