// The session record's entry for the command cycle that has just run: the
// command bytes the transaction wrote, or the message that says why nothing
// went out, and the texts the cycle added to the two views.
#pragma once

#include <string>

#include "record_entries.h"

// logText and statusText: what the cycle added to the log and the status view.
// The command bytes and dropped bytes are those of lineExchange, which every
// cycle starts afresh.
CycleEntry CycleEntryOf(const std::string& logText, const std::string& statusText);

