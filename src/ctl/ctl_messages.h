// korvel-ctl's lines on standard error. A burn-in keeps a progress line
// there on a terminal (no line end, redrawn in place); while it does, every
// message and every diagnostic of the serial link first erases it, so that
// none runs into it.
#pragma once

#include <string>

// text: whole lines, each ending with a line end.
void Tell(const std::string& text);

void KeepProgressLine(bool kept);
