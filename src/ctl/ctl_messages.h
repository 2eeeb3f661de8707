// korvel-ctl's lines on standard error. A burn-in keeps a progress line
// there on a terminal (no line end, redrawn in place); while it does, every
// message and every diagnostic of the serial link first erases it, so that
// none runs into it.
#pragma once

#include <string>

// text: whole lines, each ending with a line end.
void Tell(const std::string& text);

void KeepProgressLine(bool kept);

struct PortHealth;

// Why path did not open, in a shell user's words: the device, and what to do
// with korvel-ctl's options. The window's status line has its own words.
std::string OpenFailureWords(const std::string& path, const PortHealth& health);

// What a cycle without a reply tells: how long korvel-ctl waited and why a
// controller stays silent.
std::string NoReplyWords();
