// What the reply tests share: a fresh process state, window and cycle per
// case, and the parts of the window and the captured values they check.
#pragma once

#include <gtest/gtest.h>

#include <cstdint>
#include <initializer_list>
#include <ostream>
#include <set>
#include <string>
#include <vector>

#include "case_name.h"
#include "cycle_state.h"
#include "memory_window.h"
#include "serial_state.h"

using Bytes = std::vector<unsigned char>;

// The names of the controls the window shows hidden, or grey.
std::set<std::string> HiddenControls(const MemoryWindow& w);
std::set<std::string> GrayControls(const MemoryWindow& w);

// Entries in the lists that identification and the status report cut; the
// defaults are the counts the layout fills them with.
struct ListCounts {
  int32_t filterA = 11;
  int32_t speedA = 9;
  int32_t filterB = 11;
  int32_t speedB = 9;
  int32_t filterC = 11;
  int32_t speedC = 9;
  int32_t shutterAmode = 4;
  int32_t shutterBmode = 4;
  bool operator==(const ListCounts&) const = default;
};

ListCounts CountsOf(const MemoryWindow& w);
void PrintTo(const ListCounts& counts, std::ostream* os);

// Every captured value starts at this, so that a value nobody should write
// stands out.
inline constexpr int32_t kUntouched = 77;

Capture UntouchedCapture();

// One captured value a test expects to have been written.
struct CapturedValue {
  bool wheel;
  int index;
  int32_t value;
};

inline CapturedValue InWheel(WheelField field, int32_t value) { return {true, field, value}; }
inline CapturedValue InSetting(SettingField field, int32_t value) { return {false, field, value}; }

// The groups' values, one group after the other.
std::vector<CapturedValue> Join(std::initializer_list<std::vector<CapturedValue>> groups);

// The listed values hold what is listed; every other value is kUntouched.
void ExpectCapture(const Capture& capture, const std::vector<CapturedValue>& written);

class ReplyTest : public ::testing::Test {
 protected:
  ReplyTest() {
    ResetSerialState();
    ResetCycleState();
    cycle.capture = UntouchedCapture();
  }

  MemoryWindow w;
  Cycle cycle;
};
