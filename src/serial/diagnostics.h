// The serial link's diagnostic lines on standard output.
#pragma once

// printf-style; flushed at once so that the lines keep their order with
// anything else the process prints.
void PrintDiagnostic(const char* format, ...) __attribute__((format(printf, 1, 2)));
