// What the encoder tests share: a fresh process state and window per case,
// and one check of everything an encoder hands back to the cycle.
#pragma once

#include <gtest/gtest.h>

#include <cstdint>
#include <ostream>
#include <string>

#include "cycle_state.h"
#include "memory_window.h"
#include "serial_state.h"

// The outcome an encoder should leave: the bytes of a ready command written
// as hex ("FA F0 00 0A"), or the message of a refusal; neither means that
// there was no change to encode.
struct Expected {
  std::string bytes;
  std::string message;
  int32_t extraLength;
};

inline Expected Sends(const char* bytes, int32_t extraLength = 0) { return {bytes, "", extraLength}; }
inline Expected Refuses(const char* message) { return {"", message, 0}; }
inline Expected SendsNothing() { return {"", "", 0}; }

inline constexpr char kSendStatusFirstMessage[] = "** Please send status command(CC)\n    first, then try again. **\n";

// The bytes in mycomm from index 0, as hex; "?" for a length no command has.
std::string SentBytes(const Cycle& cycle);

void ExpectOutcome(Encoding result, const Cycle& cycle, const Expected& want);

void PrintTo(Encoding encoding, std::ostream* os);

template <class Case>
class EncoderTest : public ::testing::TestWithParam<Case> {
 protected:
  EncoderTest() {
    ResetSerialState();
    ResetCycleState();
  }

  MemoryWindow w;
  Cycle cycle;
};

// Names each table row after its case.
struct CaseName {
  template <class Info>
  std::string operator()(const Info& info) const {
    return info.param.name;
  }
};
