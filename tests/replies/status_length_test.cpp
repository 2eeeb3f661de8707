// A status reply's length as its own bytes tell it: every variant, the step
// count's shift, the Mono's time blocks, 0x0D as a data byte, any byte in a
// skipped place, and the bytes that tell nothing. Checked against the
// controller's documented replies and the emulator's own too.
#include "status_length.h"

#include <gtest/gtest.h>

#include <cstddef>
#include <optional>
#include <ostream>
#include <set>
#include <span>
#include <string>
#include <vector>

#include "case_name.h"
#include "controller_types.h"
#include "status_layout.h"

namespace {

using Bytes = std::vector<unsigned char>;

constexpr int kUndecided = 0;

struct LengthCase {
  std::string name;
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
        LengthCase{"TriadWith0DInItsSkippedPlaces",
                   {0xCC, 0x41, 0xB2, 0x0D, 0x0A, 0xAA, 0xBA, 0xDD, 0x0D, 0xDC, 0x0D, 0x0D}, 12},
        LengthCase{"TriadBInNeutralDensity",
                   {0xCC, 0x41, 0xB2, 0xFC, 0x0A, 0xAA, 0xBA, 0xDD, 0x01, 0xDE, 0x02, 0x90, 0x0D}, 13},
        LengthCase{"TriadAInNeutralDensity13ShiftsB",
                   {0xCC, 0x41, 0xB2, 0x0D, 0x79, 0xAA, 0xBA, 0xDE, 0x01, 0x0D, 0xDC, 0x0D, 0x0D}, 13},
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
        LengthCase{"TriadBeforeItsStates", {0xCC, 0x41, 0xB2, 0x00, 0x0A, 0xAA}, kUndecided},
        // Bytes that fit no layout.
        LengthCase{"NoStatusEcho", {0xCD, 0x32, 0xAA, 0xDC, 0x0D}, kUndecided},
        LengthCase{"UnknownModeByte", {0xCC, 0x32, 0xAA, 0xFF, 0x0D}, kUndecided},
        LengthCase{"MonoWithUnknownMode", {0xCC, 0xAB, 0xFF, 0x00, MONO_TAIL}, kUndecided},
        // A Triad is what no other variant is: only its fields' codes tell
        // it from noise.
        LengthCase{"TriadWheelAFilter10", {0xCC, 0x4A, 0xB2, 0x00, 0x0A, 0xAA, 0xBA, 0xDD, 0x01, 0xDC, 0x02, 0x0D},
                   kUndecided},
        LengthCase{"TriadWheelASpeed8", {0xCC, 0x83, 0xB2, 0x00, 0x0A, 0xAA, 0xBA, 0xDD, 0x01, 0xDC, 0x02, 0x0D},
                   kUndecided},
        LengthCase{"TriadWheelBBelow80", {0xCC, 0x41, 0x0A, 0x00, 0x0A, 0xAA, 0xBA, 0xDD, 0x01, 0xDC, 0x02, 0x0D},
                   kUndecided},
        LengthCase{"TriadWheelCFilter15", {0xCC, 0x41, 0xB2, 0x00, 0xFF, 0xAA, 0xBA, 0xDD, 0x01, 0xDC, 0x02, 0x0D},
                   kUndecided},
        LengthCase{"TriadShutterAStateNoCode",
                   {0xCC, 0x41, 0xB2, 0x00, 0x0A, 0x00, 0xBA, 0xDD, 0x01, 0xDC, 0x02, 0x0D}, kUndecided},
        LengthCase{"TriadShutterBHoldsAsCode",
                   {0xCC, 0x41, 0xB2, 0x00, 0x0A, 0xAA, 0xAA, 0xDD, 0x01, 0xDC, 0x02, 0x0D}, kUndecided},
        LengthCase{"LineNoiseAfterTheEcho", {0xCC, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0xDC, 0x00, 0xDC, 0x00, 0x0D},
                   kUndecided}),
    CaseName());

#undef MONO_TAIL

// The status replies the controller is documented to send, byte for byte,
// with the places their layouts skip: one for each variant, each shutter mode
// and a device not connected.
struct DocumentedReply {
  const char* name;
  Bytes reply;
  std::vector<std::size_t> skipped;
};

const DocumentedReply kDocumentedReplies[] = {
    {"DuoWheelShutterNeutralDensity25", {0xCC, 0x32, 0xAA, 0xDE, 0x19, 0x0D}, {}},
    {"DuoWheelShutterNothingConnected", {0xCC, 0x0A, 0xAC, 0xDB, 0x0D}, {}},
    {"DuoShutterShutterAInNeutralDensity64", {0xCC, 0xAB, 0xBC, 0xDE, 0x01, 0x40, 0xDC, 0x02, 0x0D}, {4, 7}},
    {"TriadWheelCMissingBInNeutralDensity144",
     {0xCC, 0x41, 0xB2, 0x00, 0x0A, 0xAA, 0xBA, 0xDD, 0x01, 0xDE, 0x02, 0x90, 0x0D},
     {3, 8, 10}},
    {"MonoNeutralDensity10Repeat500",
     {0xCC, 0xAA, 0xDE, 0x0A, 0x00, 0xA2, 0xB2, 0x11, 0x1E, 0x2D, 0x12, 0x34, 0x22, 0x00, 0x05, 0x00, 0x07, 0xF3, 0x01,
      0xF4, 0x0D},
     {4}},
    {"MonoFastContinuous",
     {0xCC, 0xAC, 0xDC, 0x00, 0xA0, 0xB0, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0xF0, 0xFF, 0xFF,
      0x0D},
     {3}},
};

// Each documented reply as it is, and with 00, FC and 55 in its skipped
// places: a controller may send anything there.
std::vector<LengthCase> DocumentedCases() {
  std::vector<LengthCase> cases;
  const std::optional<unsigned char> fills[] = {std::nullopt, 0x00, 0xFC, 0x55};
  const char* const fillNames[] = {"", "Skipped00", "SkippedFC", "Skipped55"};
  for (const DocumentedReply& documented : kDocumentedReplies) {
    for (std::size_t f = 0; f < std::size(fills); ++f) {
      if (fills[f] && documented.skipped.empty()) continue;
      Bytes reply = documented.reply;
      for (const std::size_t at : documented.skipped) reply[at] = fills[f].value_or(reply[at]);
      cases.push_back({std::string(documented.name) + fillNames[f], reply, static_cast<int>(reply.size())});
    }
  }
  return cases;
}

INSTANTIATE_TEST_SUITE_P(Documented, StatusLength, ::testing::ValuesIn(DocumentedCases()), CaseName());

// A reply cut one byte short, or shorter, is never taken for whole: the bytes
// either tell nothing yet or tell the whole reply's length, which they do not
// reach.
TEST(StatusLengthOfACutReply, IsNeverWhole) {
  for (const LengthCase& whole : DocumentedCases()) {
    for (std::size_t n = 1; n < whole.reply.size(); ++n) {
      const int told = StatusReplyLength(std::span(whole.reply).first(n));
      EXPECT_NE(told, static_cast<int>(n)) << whole.name << " cut to " << n << " bytes";
      if (n + 1 == whole.reply.size()) {
        EXPECT_EQ(told, whole.length) << whole.name << " one byte short";
      }
    }
  }
}

// Whether a status reply is one to base a verdict on, for the controller
// identified: whole, in its layout, every field a code the controller sends.
struct FaultCase {
  std::string name;
  Variant variant;
  Bytes reply;
  std::string fault;
};

void PrintTo(const FaultCase& c, std::ostream* os) { *os << c.name; }

class StatusFault : public ::testing::TestWithParam<FaultCase> {};

TEST_P(StatusFault, TellsWhyAReplyIsNoGroundForAVerdict) {
  const FaultCase& c = GetParam();
  EXPECT_EQ(StatusReplyFault(c.variant, c.reply), c.fault);
}

constexpr char kNotWhole[] = "the status reply does not decode whole";
constexpr char kAnother[] = "the status reply is another controller's";
constexpr char kNoSuchCode[] = "the status reply holds a code no controller sends in its place";

INSTANTIATE_TEST_SUITE_P(
    Replies, StatusFault,
    ::testing::Values(
        FaultCase{"TriadWith55InItsSkippedPlaces", kTriad,
                  {0xCC, 0x41, 0xB2, 0x55, 0x0A, 0xAA, 0xBA, 0xDD, 0x55, 0xDE, 0x55, 0x90, 0x0D}, ""},
        FaultCase{"DuoShutterShutterWithFCInItsSkippedPlaces", kDuoShutterShutter,
                  {0xCC, 0xAB, 0xBC, 0xDE, 0xFC, 0x40, 0xDC, 0xFC, 0x0D}, ""},
        FaultCase{"MonoNotConnected", kMono, {0xCC, 0xAC, 0xDB, 0x0D}, ""},
        FaultCase{"EchoOnly", kTriad, {0xCC}, kNotWhole},
        FaultCase{"Nothing", kTriad, {}, kNotWhole},
        FaultCase{"OneByteShort", kDuoWheelShutter, {0xCC, 0x32, 0xAA, 0xDE, 0x19}, kNotWhole},
        FaultCase{"ABytePastItsEnd", kDuoWheelShutter, {0xCC, 0x32, 0xAA, 0xDC, 0x0D, 0x0D}, kNotWhole},
        FaultCase{"TriadWithAWheelOfNoPosition", kTriad,
                  {0xCC, 0x4C, 0xB2, 0x00, 0x0A, 0xAA, 0xBA, 0xDD, 0x01, 0xDC, 0x02, 0x0D}, kNotWhole},
        FaultCase{"AMonosReplyToATriad", kTriad, {0xCC, 0xAC, 0xDB, 0x0D}, kAnother},
        FaultCase{"ATriadsReplyToADuoWheelShutter", kDuoWheelShutter,
                  {0xCC, 0x41, 0xB2, 0x00, 0x0A, 0xAA, 0xBA, 0xDD, 0x01, 0xDC, 0x02, 0x0D}, kAnother},
        FaultCase{"DuoWheelShutterWheelFilter12", kDuoWheelShutter, {0xCC, 0x4C, 0xAA, 0xDC, 0x0D}, kNoSuchCode},
        FaultCase{"DuoWheelShutterWheelSpeed9", kDuoWheelShutter, {0xCC, 0x91, 0xAA, 0xDC, 0x0D}, kNoSuchCode},
        FaultCase{"DuoShutterShutterBStateOfNoCode", kDuoShutterShutter,
                  {0xCC, 0xAA, 0xB5, 0xDC, 0x01, 0xDC, 0x02, 0x0D}, kNoSuchCode},
        FaultCase{"NoControllerIdentified", kUnknown, {0xCC, 0x32, 0xAA, 0xDC, 0x0D},
                  "no controller was identified to read the status reply for"}),
    CaseName());

// Every form the emulator builds: each variant, each device missing or in
// neutral density with a step count of 13, with the documented bytes or
// another in the skipped places.
TEST(StatusLengthOfEmulator, MatchesEveryReplyTheEmulatorBuilds) {
  using emulator::Device;
  using emulator::ShutterMode;
  using emulator::Variant;
  const Variant variants[] = {Variant::kTriad, Variant::kDuoWheelShutter, Variant::kDuoShutterShutter,
                              Variant::kMono};
  const std::set<Device> missing[] = {{}, {Device::kShutterA}, {Device::kShutterB}, {Device::kWheelA, Device::kWheelB}};
  const ShutterMode modes[] = {ShutterMode::kFast, ShutterMode::kSoft, ShutterMode::kNeutralDensity};
  const std::optional<uint8_t> skippedBytes[] = {std::nullopt, 0xFC, 0x55, 0x0D};
  for (const std::optional<uint8_t> skippedByte : skippedBytes) {
    for (const Variant variant : variants) {
      for (const auto& notConnected : missing) {
        for (const ShutterMode modeA : modes) {
          for (const ShutterMode modeB : modes) {
            emulator::ControllerSetup setup(variant, notConnected);
            setup.skippedByte = skippedByte;
            emulator::ControllerState state;
            state.shutters[0] = {emulator::ShutterState::kOpen, modeA, 13};
            state.shutters[1] = {emulator::ShutterState::kClosed, modeB, 13};
            state.closedTime = {0x10, 0x0D, 0x0D, 0x00, 0x00};
            Bytes reply{0xCC};
            for (const uint8_t b : emulator::StatusAnswer(setup, state)) reply.push_back(b);
            reply.push_back(0x0D);
            EXPECT_EQ(StatusReplyLength(reply), static_cast<int>(reply.size()))
                << "variant " << static_cast<int>(variant) << ", modes " << static_cast<int>(modeA) << "/"
                << static_cast<int>(modeB) << ", " << notConnected.size() << " missing, skipped byte "
                << (skippedByte ? static_cast<int>(*skippedByte) : -1);
          }
        }
      }
    }
  }
}

}  // namespace
