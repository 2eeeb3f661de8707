#include "failure_record.h"

const char* FailureKindName(FailureKind kind) {
  switch (kind) {
    case FailureKind::kNone:
      return "passed";
    case FailureKind::kMismatch:
      return "mismatch";
    case FailureKind::kNoReply:
      return "no reply";
    case FailureKind::kBadReply:
      return "bad reply";
    case FailureKind::kRefused:
      return "refused";
    case FailureKind::kPortGone:
      return "port gone";
    case FailureKind::kOverLimit:
      return "over the limit";
    case FailureKind::kDrift:
      return "drift over the limit";
  }
  return "failed";
}
