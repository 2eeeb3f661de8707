// A status reply's length as its own bytes tell it: every variant, the step
// count's shift, the Mono's time blocks, 0x0D as a data byte, and the bytes
// that tell nothing. Checked against the emulator's own replies too.
#include "status_length.h"

#include <gtest/gtest.h>

#include <cstddef>
#include <ostream>
#include <set>
#include <span>
#include <vector>

#include "case_name.h"
#include "controller_types.h"
#include "status_layout.h"

namespace {

using Bytes = std::vector<unsigned char>;

constexpr int kUndecided = 0;

struct LengthCase {
  const char* name;
  Bytes reply;  // the echoed 0xCC first
  int length;   // what the bytes tell, kUndecided when nothing
};

void PrintTo(const LengthCase& c, std::ostream* os) { *os << c.name; }

class StatusLength : public ::testing::TestWithParam<LengthCase> {};

TEST_P(StatusLength, TheBytesTellTheWholeLength) {
  const LengthCase& c = GetParam();
  EXPECT_EQ(StatusReplyLength(c.reply), c.length);
}

// While the reply arrives, a length once told never changes, and no part
// tells a length that the whole would not.
TEST_P(StatusLength, NoPartTellsAnotherLength) {
  const LengthCase& c = GetParam();
  for (std::size_t n = 0; n < c.reply.size(); ++n) {
    const int told = StatusReplyLength(std::span(c.reply).first(n));
    if (told != kUndecided) {
      EXPECT_EQ(told, c.length) << "after " << n << " bytes";
    }
  }
}

// Mono time blocks: closed time 0 h 13 min, exposure time 0x20 + 0 h 0 min 13 s.
#define MONO_TAIL 0xA1, 0xB1, 0x10, 0x0D, 0x00, 0x00, 0x00, 0x20, 0x00, 0x0D, 0x00, 0x00, 0xF1, 0x00, 0x0D, 0x0D

INSTANTIATE_TEST_SUITE_P(
    Replies, StatusLength,
    ::testing::Values(
        LengthCase{"DuoWheelShutterFast", {0xCC, 0x32, 0xAA, 0xDC, 0x0D}, 5},
        LengthCase{"DuoWheelShutterNeutralDensity13", {0xCC, 0x32, 0xAA, 0xDE, 0x0D, 0x0D}, 6},
        LengthCase{"DuoWheelShutterShutterMissing", {0xCC, 0x32, 0xAA, 0xDB, 0x0D}, 5},
        LengthCase{"DuoShutterShutterSoftAndFast", {0xCC, 0xAA, 0xBA, 0xDD, 0x01, 0xDC, 0x02, 0x0D}, 8},
        LengthCase{"DuoShutterShutterAInNeutralDensity13ShiftsB",
                   {0xCC, 0xAA, 0xBA, 0xDE, 0x01, 0x0D, 0xDC, 0x02, 0x0D}, 9},
        LengthCase{"DuoShutterShutterBothInNeutralDensity",
                   {0xCC, 0xAA, 0xBA, 0xDE, 0x01, 0x05, 0xDE, 0x02, 0x0D, 0x0D}, 10},
        LengthCase{"DuoShutterShutterBMissing", {0xCC, 0xAA, 0xBA, 0xDC, 0x01, 0xDB, 0x02, 0x0D}, 8},
        LengthCase{"TriadFastAndSoft", {0xCC, 0x41, 0xB2, 0xFC, 0x0A, 0xAA, 0xBA, 0xDD, 0x01, 0xDC, 0x02, 0x0D}, 12},
        LengthCase{"TriadBInNeutralDensity",
                   {0xCC, 0x41, 0xB2, 0xFC, 0x0A, 0xAA, 0xBA, 0xDD, 0x01, 0xDE, 0x02, 0x90, 0x0D}, 13},
        LengthCase{"TriadAInNeutralDensity13ShiftsB",
                   {0xCC, 0x41, 0xB2, 0xFC, 0x0D, 0xAA, 0xBA, 0xDE, 0x01, 0x0D, 0xDC, 0x02, 0x0D}, 13},
        LengthCase{"MonoFastWith13sInItsTimes", {0xCC, 0xAA, 0xDC, 0x00, MONO_TAIL}, 20},
        LengthCase{"MonoNeutralDensity13ShiftsItsTimes", {0xCC, 0xAA, 0xDE, 0x0D, 0x00, MONO_TAIL}, 21},
        LengthCase{"MonoShutterMissingEndsAtItsMode", {0xCC, 0xAA, 0xDB, 0x0D}, 4},
        // Bytes beyond the layout are no part of it: the reader sees more
        // bytes than told and leaves the reply to the quiet.
        LengthCase{"GarbageAfterTheReply", {0xCC, 0x32, 0xAA, 0xDC, 0x0D, 0x55, 0x0D}, 5},
        // Too short to decide.
        LengthCase{"Nothing", {}, kUndecided},
        LengthCase{"EchoOnly", {0xCC}, kUndecided},
        LengthCase{"ByteOneOnly", {0xCC, 0x32}, kUndecided},
        LengthCase{"EndedBeforeByteTwo", {0xCC, 0xAA, 0x0D}, kUndecided},
        LengthCase{"EndedBeforeTheMode", {0xCC, 0x32, 0xAA, 0x0D}, kUndecided},
        LengthCase{"EndedBeforeShutterBMode", {0xCC, 0xAA, 0xBA, 0xDE, 0x01, 0x05}, kUndecided},
        LengthCase{"TriadBeforeItsMarker", {0xCC, 0x41, 0xB2}, kUndecided},
        // Bytes that fit no layout.
        LengthCase{"NoStatusEcho", {0xCD, 0x32, 0xAA, 0xDC, 0x0D}, kUndecided},
        LengthCase{"UnknownModeByte", {0xCC, 0x32, 0xAA, 0xFF, 0x0D}, kUndecided},
        LengthCase{"MonoWithUnknownMode", {0xCC, 0xAB, 0xFF, 0x00, MONO_TAIL}, kUndecided},
        LengthCase{"TriadWithoutItsMarker",
                   {0xCC, 0x41, 0xB2, 0x00, 0x0A, 0xAA, 0xBA, 0xDD, 0x01, 0xDC, 0x02, 0x0D}, kUndecided}),
    CaseName());

#undef MONO_TAIL

// Every form the emulator builds: each variant, each device missing or in
// neutral density with a step count of 13.
TEST(StatusLengthOfEmulator, MatchesEveryReplyTheEmulatorBuilds) {
  using emulator::Device;
  using emulator::ShutterMode;
  using emulator::Variant;
  const Variant variants[] = {Variant::kTriad, Variant::kDuoWheelShutter, Variant::kDuoShutterShutter,
                              Variant::kMono};
  const std::set<Device> missing[] = {{}, {Device::kShutterA}, {Device::kShutterB}, {Device::kWheelA, Device::kWheelB}};
  const ShutterMode modes[] = {ShutterMode::kFast, ShutterMode::kSoft, ShutterMode::kNeutralDensity};
  for (const Variant variant : variants) {
    for (const auto& notConnected : missing) {
      for (const ShutterMode modeA : modes) {
        for (const ShutterMode modeB : modes) {
          const emulator::ControllerSetup setup(variant, notConnected);
          emulator::ControllerState state;
          state.shutters[0] = {emulator::ShutterState::kOpen, modeA, 13};
          state.shutters[1] = {emulator::ShutterState::kClosed, modeB, 13};
          state.closedTime = {0x10, 0x0D, 0x0D, 0x00, 0x00};
          Bytes reply{0xCC};
          for (const uint8_t b : emulator::StatusAnswer(setup, state)) reply.push_back(b);
          reply.push_back(0x0D);
          EXPECT_EQ(StatusReplyLength(reply), static_cast<int>(reply.size()))
              << "variant " << static_cast<int>(variant) << ", modes " << static_cast<int>(modeA) << "/"
              << static_cast<int>(modeB) << ", " << notConnected.size() << " missing";
        }
      }
    }
  }
}

}  // namespace
