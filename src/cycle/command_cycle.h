// One command cycle, run by the send action: find the one control the operator
// changed since the last cycle, send its command, log the reply, and remember
// and show the window's values for the next cycle.
#pragma once

#include <string>

#include "tessaro_controller.h"

inline constexpr char kNoReplyMessage[] = "** Command Ignored **\nCurrently controller is on Local mode.\n";
// Closes every cycle's part of the log.
inline constexpr char kSeparator[] = "****************************************\n";
// A cycle's log text without the separator that closes it.
std::string WithoutSeparator(std::string log);

void RunCommandCycle(TessaroController& window);

// What the last cycle added to the two views, as it added them: its log text,
// and its status text when it put one into the status view (else empty).
// The fronts take a cycle's part from here, never by comparing whole views.
struct CycleTexts {
  std::string log;
  std::string status;
};
const CycleTexts& LastCycleTexts();

// Whether the last cycle's command came from its first changed setting
// rather than from its first changed wheel value; says nothing when the
// cycle sent no command.
bool LastCommandWasSetting();
