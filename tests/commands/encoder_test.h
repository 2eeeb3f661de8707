// What the encoder tests share: a fresh process state and window per case,
// and one check of everything an encoder hands back to the cycle.
#pragma once

#include <gtest/gtest.h>

#include <cstddef>
#include <cstdint>
#include <ostream>
#include <string>
#include <vector>

#include "case_name.h"
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

  // A run of settings from first on: the captured values into the cycle and
  // the remembered ones into scomm0.
  template <std::size_t N>
  void SeedSettings(SettingField first, const int32_t (&captured)[N], const int32_t (&remembered)[N]) {
    for (std::size_t i = 0; i < N; ++i) {
      cycle.capture.setting[first + i] = captured[i];
      scomm0[first + i] = remembered[i];
    }
  }

  // count captured settings, from first on.
  std::vector<int32_t> CapturedSettings(SettingField first, std::size_t count) const {
    return std::vector<int32_t>(cycle.capture.setting + first, cycle.capture.setting + first + count);
  }

  MemoryWindow w;
  Cycle cycle;
};
