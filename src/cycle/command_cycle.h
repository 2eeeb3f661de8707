// One command cycle, run by the send action: find the one control the operator
// changed since the last cycle, send its command, log the reply, and remember
// and show the window's values for the next cycle.
#pragma once

#include <string>
#include <vector>

#include "exchange_notes.h"
#include "tessaro_controller.h"

inline constexpr char kNoReplyMessage[] = "** Command Ignored **\nCurrently controller is on Local mode.\n";
// Closes every cycle's part of the log.
inline constexpr char kSeparator[] = "****************************************\n";
// A cycle's log text without the separator that closes it.
std::string WithoutSeparator(std::string log);

void RunCommandCycle(TessaroController& window);

// How a cycle ended, as the cycle itself saw it.
enum class CycleEnd {
  kNothingSent,  // no change to send, or every change was refused
  kNotSent,      // the port took none of the command
  kNoReply,      // the command went out and nothing came back
  kReplied,      // bytes came back; `reply` holds them
};

// What the last cycle did, handed up as data: the fronts and the layers that
// run many cycles read a cycle's outcome here, never out of its log text,
// which is drawn from the same facts.
struct CycleFacts {
  CycleEnd end = CycleEnd::kNothingSent;
  // The encoders' refusals, as the log shows them; empty when none refused.
  // A refused setting still lets a changed wheel move in the same cycle.
  std::string refusal;
  // Why the port did not take the whole command; empty when it took it.
  std::string notSent;
  SendFailure sendFailure = SendFailure::kNone;
  std::vector<unsigned char> command;  // the bytes handed to the port
  std::vector<unsigned char> reply;    // from the line exchange: the reply's bytes, its echo first
  bool echoed = false;     // the reply began with the command's echo
  bool cutShort = false;   // the reply ended before it was whole
  int32_t droppedCount = 0;            // bytes that came before the reply's echo and were dropped
  std::vector<unsigned char> dropped;  // the first of them
  std::string droppedNote;             // "1 byte before the reply dropped: 00"; empty when none
  ExchangeTimes times;                 // negative where the line saw nothing
  // What the cycle added to the two views, as it added them: its log text,
  // and its status text when it put one into the status view (else empty).
  // The fronts take a cycle's part from here, never by comparing whole views.
  std::string log;
  std::string status;
  // The log's own words: the log without the reply's echo and the separator.
  std::string message;
};
const CycleFacts& LastCycle();

// Whether the last cycle's command came from its first changed setting
// rather than from its first changed wheel value; says nothing when the
// cycle sent no command.
bool LastCommandWasSetting();
