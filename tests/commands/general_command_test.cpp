#include "general_command.h"

#include <gmock/gmock.h>

#include "byte_forms.h"
#include "encoder_test.h"

namespace {

using ::testing::ElementsAreArray;

constexpr char kNotACommand[] = "** Invalid command **\nThis is not a command.\n";
constexpr char kSetRepeatNumberFirst[] = "** Please set the repeat number first,\n    then try again. **\n";

// Lengths of the general command list: as the window opens, and as the
// status reply cuts it for each variant.
constexpr int kFullList = 24;
constexpr int kTriadList = 10;
constexpr int kDuoList = 8;
constexpr int kMonoList = 22;

void ExpectCaptureUnchanged(const Capture& before, const Capture& after) {
  EXPECT_THAT(after.wheel, ElementsAreArray(before.wheel));
  EXPECT_THAT(after.setting, ElementsAreArray(before.setting));
}

struct EntryCase {
  const char* name;
  int32_t entry;
  int listLength;
  int32_t variant;
  int32_t repeatNumber;
  Expected want;
};

void PrintTo(const EntryCase& c, std::ostream* os) { *os << c.name; }

class GeneralEntryTest : public EncoderTest<EntryCase> {};

// No entry changes a captured value, whether it is sent or refused.
TEST_P(GeneralEntryTest, EncodesTheEntryForTheListLength) {
  const EntryCase& c = GetParam();
  w.otherCommand.items.resize(c.listLength);
  itype = c.variant;
  cycle.capture.setting[kOtherCommand] = c.entry;
  cycle.capture.setting[kRepeatNumber] = c.repeatNumber;
  cycle.capture.wheel[kFilterA] = 4;
  const Capture before = cycle.capture;

  ExpectOutcome(EncodeGeneralCommand(cycle, w.controller), cycle, c.want);
  ExpectCaptureUnchanged(before, cycle.capture);
}

INSTANTIATE_TEST_SUITE_P(
    Entries, GeneralEntryTest,
    ::testing::Values(
        EntryCase{"StatusQueryExpectsThreeDataBytes", 1, kFullList, kUnknown, 0, Sends("CC", 3)},
        EntryCase{"ConfigurationBeforeIdentification", 2, kFullList, kUnknown, 0, Sends("FD", 12)},
        EntryCase{"ConfigurationTriad", 2, kTriadList, kTriad, 0, Sends("FD", 29)},
        EntryCase{"ConfigurationDuoShutterShutter", 2, kDuoList, kDuoShutterShutter, 0, Sends("FD", 14)},
        EntryCase{"ConfigurationDuoWheelShutter", 2, kDuoList, kDuoWheelShutter, 0, Sends("FD", 12)},
        EntryCase{"ConfigurationMono", 2, kMonoList, kMono, 0, Sends("FD", 12)},
        EntryCase{"EntryEF", 3, kFullList, kUnknown, 0, Sends("EF")},
        EntryCase{"EntryEE", 4, kTriadList, kTriad, 0, Sends("EE")},
        EntryCase{"EntryCF", 5, kDuoList, kDuoWheelShutter, 0, Sends("CF")},
        EntryCase{"EntryCE", 6, kMonoList, kMono, 0, Sends("CE")},
        EntryCase{"EntryFB", 7, kFullList, kUnknown, 0, Sends("FB")},
        EntryCase{"EntryZero", 0, kFullList, kUnknown, 0, Refuses(kNotACommand)},
        EntryCase{"FullListEntry13SendsBF", 13, kFullList, kUnknown, 0, Sends("BF")},
        EntryCase{"FullListEntry8AsksForStatus", 8, kFullList, kUnknown, 5, Refuses(kSendStatusFirstMessage)},
        EntryCase{"FullListEntry11AsksForStatus", 11, kFullList, kUnknown, 0, Refuses(kSendStatusFirstMessage)},
        EntryCase{"FullListEntry21AsksForStatus", 21, kFullList, kUnknown, 0, Refuses(kSendStatusFirstMessage)},
        EntryCase{"FullListEntry22", 22, kFullList, kUnknown, 0, Refuses(kNotACommand)},
        EntryCase{"FullListEntry23", 23, kFullList, kUnknown, 0, Refuses(kNotACommand)},
        EntryCase{"DuoListEntry8AsksForStatus", 8, kDuoList, kDuoWheelShutter, 0, Refuses(kSendStatusFirstMessage)},
        EntryCase{"DuoListEntry9AsksForStatus", 9, kDuoList, kDuoShutterShutter, 0, Refuses(kSendStatusFirstMessage)},
        EntryCase{"TriadListEntry10AsksForStatus", 10, kTriadList, kTriad, 5, Refuses(kSendStatusFirstMessage)},
        // The list's length decides, not the variant.
        EntryCase{"MonoListBeforeIdentification", 12, kMonoList, kUnknown, 0, Sends("FA C0")},
        EntryCase{"MonoFreeRunGo", 8, kMonoList, kMono, 5, Sends("FA F3")},
        EntryCase{"MonoFreeRunGoWithoutRepeatNumber", 8, kMonoList, kMono, 0, Refuses(kSetRepeatNumberFirst)},
        EntryCase{"MonoFreeRunGoNegativeRepeatNumber", 8, kMonoList, kMono, -3, Sends("FA F3")},
        EntryCase{"MonoFreeRunGoContinuous", 8, kMonoList, kMono, kContinuous, Sends("FA F3")},
        EntryCase{"MonoFreeRunOnPowerOnNeedsNoRepeat", 9, kMonoList, kMono, 0, Sends("FA F1")},
        EntryCase{"MonoFreeRunOnTrigger", 10, kMonoList, kMono, 1, Sends("FA F2")},
        EntryCase{"MonoFreeRunOnTriggerWithoutRepeat", 10, kMonoList, kMono, 0, Refuses(kSetRepeatNumberFirst)},
        EntryCase{"MonoEntry11SendsBF", 11, kMonoList, kMono, 0, Sends("BF")},
        EntryCase{"MonoEntry13SendsFAC1", 13, kMonoList, kMono, 0, Sends("FA C1")},
        EntryCase{"MonoTtlInFirst", 14, kMonoList, kMono, 0, Sends("FA A0")},
        EntryCase{"MonoTtlInLast", 18, kMonoList, kMono, 0, Sends("FA A4")},
        EntryCase{"MonoTtlOutFirst", 19, kMonoList, kMono, 0, Sends("FA B0")},
        EntryCase{"MonoTtlOutLast", 21, kMonoList, kMono, 0, Sends("FA B2")}),
    CaseName());

// The Triad's two compound commands, built from the captured wheel and
// shutter-state values and, for the batch, the remembered ones.
struct CompoundCase {
  const char* name;
  int32_t entry;
  int32_t wheels[kWheelFields];
  int32_t rememberedWheels[kWheelFields];
  int32_t states[2];  // shutter A, shutter B
  int32_t rememberedStates[2];
  const char* bytes;
  const char* refusal = nullptr;
};

void PrintTo(const CompoundCase& c, std::ostream* os) { *os << c.name; }

class TriadCompoundTest : public EncoderTest<CompoundCase> {};

TEST_P(TriadCompoundTest, SendsTheSettings) {
  const CompoundCase& c = GetParam();
  w.otherCommand.items.resize(kTriadList);
  itype = kTriad;
  cycle.capture.setting[kOtherCommand] = c.entry;
  for (int i = 0; i < kWheelFields; ++i) {
    cycle.capture.wheel[i] = c.wheels[i];
    icomm0[i] = c.rememberedWheels[i];
  }
  cycle.capture.setting[kShutterAstatus] = c.states[0];
  cycle.capture.setting[kShutterBstatus] = c.states[1];
  scomm0[kShutterAstatus] = c.rememberedStates[0];
  scomm0[kShutterBstatus] = c.rememberedStates[1];
  const Capture before = cycle.capture;

  ExpectOutcome(EncodeGeneralCommand(cycle, w.controller), cycle, c.refusal ? Refuses(c.refusal) : Sends(c.bytes));
  ExpectCaptureUnchanged(before, cycle.capture);
}

INSTANTIATE_TEST_SUITE_P(
    Compound, TriadCompoundTest,
    ::testing::Values(
        CompoundCase{"CombinedSetting", 8, {3, 2, 1, 0, 7, 7}, {}, {1, 0}, {}, "DF 23 81 AA BC"},
        // Unchanged values are sent as they stand; wheel C takes no part.
        CompoundCase{"CombinedSettingUnchanged", 8, {9, 7, 9, 7, 4, 4}, {9, 7, 9, 7, 4, 4}, {2, 2}, {2, 2},
                     "DF 79 F9 AB BB"},
        CompoundCase{"BatchOfNothing", 9, {5, 1, 5, 1, 5, 1}, {5, 1, 5, 1, 5, 1}, {1, 1}, {1, 1}, "BD BE"},
        CompoundCase{"BatchOfEverything", 9, {3, 2, 1, 2, 5, 4}, {}, {1, 2}, {}, "BD 23 A1 FC 45 AA BB BE"},
        CompoundCase{"BatchSpeedBOnly", 9, {0, 0, 4, 3, 0, 0}, {0, 0, 4, 1, 0, 0}, {}, {}, "BD B4 BE"},
        CompoundCase{"BatchWheelCAndShutterBClosed", 9, {0, 0, 0, 0, 6, 0}, {}, {0, 0}, {0, 1}, "BD FC 06 BC BE"},
        // Items no list holds would read as other items: speed 8 on wheel A as
        // a wheel B move, shutter B state 5 as the batch's end BE.
        CompoundCase{"BatchWithASpeedPastTheListRefused", 9, {1, 8, 0, 0, 0, 0}, {}, {}, {}, nullptr,
                     kNoSuchWheelSetting},
        CompoundCase{"BatchWithAStatePastTheListRefused", 9, {}, {}, {0, 5}, {}, nullptr, kNoSuchShutterState}),
    CaseName());

}  // namespace
