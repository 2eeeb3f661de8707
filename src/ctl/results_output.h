// Standard output carries korvel-ctl's results only. The serial link prints
// its diagnostic lines to standard output, so the process's descriptor 1 is
// pointed at standard error before anything prints, and results go to the
// original standard output through a stream of their own.
#pragma once

#include <cstdio>

// Returns the results stream; nullptr (errno set) when the descriptors could
// not be moved.
FILE* SeparateResults();

// The serial link's raw diagnostic lines ("Error opening serial port …")
// go nowhere: korvel-ctl says the same in its own words, and shows them
// only with --verbose. False (errno set) when they could not be silenced.
bool QuietDiagnostics();
