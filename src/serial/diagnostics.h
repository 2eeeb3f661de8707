// The serial link's diagnostic lines on standard output.
#pragma once

// printf-style; flushed at once so that the lines keep their order with
// anything else the process prints.
void PrintDiagnostic(const char* format, ...) __attribute__((format(printf, 1, 2)));

// The search's progress lines ("BSD path: …"), which report no fault: a front
// whose standard error is meant for errors alone switches them off.
void PrintProgress(const char* format, ...) __attribute__((format(printf, 1, 2)));
void ShowProgressLines(bool shown);

// Written before a diagnostic that starts a line: a front that keeps a
// progress line of its own on a terminal erases it there first, so that no
// diagnostic runs into it. Empty by default.
void SetDiagnosticLineStart(const char* text);
