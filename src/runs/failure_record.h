// A failure of a run of many cycles, as its summary and report list it: what
// failed, where, and what came instead of what was expected. A run keeps the
// first kMaxFailureRecords of them and counts the rest, so that a night of
// failures does not grow the memory; the CSV keeps every row.
#pragma once

#include <chrono>
#include <cstdint>
#include <string>

// Enough to read what went wrong and when it began; a run that fails more
// often than this fails throughout.
inline constexpr std::size_t kMaxFailureRecords = 1000;

enum class FailureKind : uint8_t {
  kNone,
  kMismatch,   // a verifying status query reported otherwise than was set
  kNoReply,
  kBadReply,   // bytes came that were not the command's whole reply
  kRefused,    // the setting could not be made (an encoder, a missing device)
  kPortGone,
  kOverLimit,  // the cycle took longer than its --max-ms
  kDrift,      // the setting's last tenth was slower than its first by more than --max-drift
};

// "mismatch", "no reply", "bad reply", "refused", "port gone", "over the limit",
// "drift over the limit".
const char* FailureKindName(FailureKind kind);

struct FailureRecord {
  int64_t round = 0;    // the round (a check: the step); 0 for the whole run
  std::string setting;  // the row it counts on: "wheelA.filter=9", "status"
  FailureKind kind = FailureKind::kNone;
  std::string expected;  // what was set; may be empty
  std::string reported;  // what was reported instead, or the message
  double ms = -1;        // the cycle's time; negative when none was taken
  std::chrono::system_clock::time_point at;  // when it was found
};
