// The check against the emulated controller, each variant: the plan's steps
// device by device, every step passing, and the controller left with the
// settings it had before (set to something other than its defaults first,
// so that the restore has work to do).
#include <gtest/gtest.h>

#include <map>
#include <sstream>
#include <string>
#include <vector>

#include "case_name.h"
#include "check_timing.h"
#include "controller_check.h"
#include "emulated_controller.h"
#include "settings.h"

namespace {

using emulator::Device;
using emulator::Variant;

// The plan as "wheelA 18, shutterA 8, shutterB skipped": each device's
// steps in the order they ran.
std::string PlanOf(const std::vector<CheckStep>& steps) {
  std::vector<std::pair<std::string, std::string>> devices;
  for (const CheckStep& s : steps) {
    if (s.device == "mono" && s.result == StepResult::kSkipped && !s.setting.empty()) continue;  // one setting
    if (devices.empty() || devices.back().first != s.device) devices.push_back({s.device, ""});
    std::string& count = devices.back().second;
    count = s.result == StepResult::kSkipped ? "skipped" : std::to_string(count.empty() ? 1 : std::stoi(count) + 1);
  }
  std::string text;
  for (const auto& [device, count] : devices) text += (text.empty() ? "" : ", ") + device + " " + count;
  return text;
}

// A status query, so that the window knows the controller, then the words'
// cycles: the settings the check finds.
void SetFound(LineSession& session, const std::vector<std::string>& words) {
  ASSERT_TRUE(session.pickGeneralCommand(1));
  ASSERT_EQ(session.send().outcome, CycleOutcome::kDone);
  std::string error;
  for (const SettingCycle& cycle : ParseSettings(words, error)) {
    ASSERT_EQ(ApplySettings(cycle, session.window()), "") << cycle.words();
    ASSERT_EQ(session.send().outcome, CycleOutcome::kDone) << cycle.words();
  }
  ASSERT_EQ(error, "");
}

// The controller's settings with a time block's hour byte of 0 hours
// written one way: 0 and the timer's base both mean no hours, and the timer
// command always sends the base.
emulator::ControllerState Settled(emulator::ControllerState state) {
  if (state.closedTime[0] == 0x10) state.closedTime[0] = 0;
  if (state.exposureTime[0] == 0x20) state.exposureTime[0] = 0;
  return state;
}

struct VariantCase {
  const char* name;
  Variant variant;
  std::set<Device> notConnected;
  std::vector<std::string> found;  // the settings before the check
  const char* plan;
};

void PrintTo(const VariantCase& c, std::ostream* out) { *out << c.name; }

class CheckOfVariant : public testing::TestWithParam<VariantCase> {};

TEST_P(CheckOfVariant, EveryStepPassesAndTheControllerIsLeftAsFound) {
  const VariantCase& c = GetParam();
  EmulatedController controller(c.variant, c.notConnected);
  ASSERT_TRUE(controller.ready());
  LineSession session;
  ASSERT_EQ(session.open(controller.path()), OpenOutcome::kReady);
  SetFound(session, c.found);
  const emulator::ControllerState before = controller.server().state();

  int told = 0;
  CheckProgress last;
  CheckOptions options;
  options.stepEnded = [&](const CheckStep&, const CheckProgress& counts) {
    EXPECT_EQ(counts.done, ++told);
    last = counts;
  };
  const CheckResult result = RunCheck(session, options);

  EXPECT_EQ(PlanOf(result.steps), c.plan);
  EXPECT_EQ(result.planned, static_cast<int>(result.steps.size()));
  EXPECT_EQ(told, result.planned);
  EXPECT_EQ(last.planned, result.planned);
  EXPECT_EQ(last.failed, 0);
  for (const CheckStep& s : result.steps) {
    if (s.result == StepResult::kSkipped) {
      EXPECT_EQ(s.note, "not connected") << s.device;
      continue;
    }
    EXPECT_EQ(s.result, StepResult::kPass) << s.device << "." << s.setting << "=" << s.value << ": " << s.note;
    EXPECT_EQ(s.expected, s.reported) << s.device << "." << s.setting;
    EXPECT_FALSE(s.sent.empty()) << s.device << "." << s.setting << "=" << s.value << " sent nothing";
    EXPECT_GE(s.ms, 0) << s.device << "." << s.setting;
    EXPECT_GE(s.statusMs, 0) << s.device << "." << s.setting;
  }
  EXPECT_EQ(VerdictName(result.verdict), std::string("passed"));
  EXPECT_TRUE(result.restored) << result.restoreNote;
  EXPECT_EQ(Settled(controller.server().state()), Settled(before));
}

const VariantCase kVariants[] = {
    {"Triad", Variant::kTriad, {}, {"wheelA.filter=3", "wheelA.speed=2", "wheelC.filter=0", "shutterB.mode=nd",
                                    "shutterB.steps=13", "shutterA.state=open"},
     "wheelA 18, wheelB 18, wheelC 18, shutterA 8, shutterB 8"},
    {"TriadWheelBAndShutterAMissing", Variant::kTriad, {Device::kWheelB, Device::kShutterA}, {"wheelC.speed=5"},
     "wheelB skipped, shutterA skipped, wheelA 18, wheelC 18, shutterB 8"},
    {"DuoWheelShutter", Variant::kDuoWheelShutter, {}, {"wheelA.filter=9", "shutterA.mode=soft"},
     "wheelA 18, shutterA 8"},
    {"DuoShutterShutter", Variant::kDuoShutterShutter, {}, {"shutterA.state=conditional", "shutterB.mode=nd",
                                                            "shutterB.steps=77"},
     "shutterA 8, shutterB 8"},
    {"Mono", Variant::kMono, {}, {"shutterA.mode=nd", "shutterA.steps=144", "repeat=300", "freeRun=power-on"},
     "shutterA 8, mono 16"},
    {"MonoShutterMissing", Variant::kMono, {Device::kShutterA}, {}, "shutterA skipped, mono skipped"},
};

INSTANTIATE_TEST_SUITE_P(Variants, CheckOfVariant, testing::ValuesIn(kVariants), CaseName());

// The Mono's own settings, from what the controller had before the check:
// each step as "setting=value", or "setting: why" when it is left alone.
// Every step passes, nothing starts an exposure run, and the settings found
// are restored.
struct MonoCase {
  const char* name;
  std::vector<std::string> found;
  std::vector<std::string> steps;
};

void PrintTo(const MonoCase& c, std::ostream* out) { *out << c.name; }

class CheckOfMono : public testing::TestWithParam<MonoCase> {};

TEST_P(CheckOfMono, SetsAndReadsBackEachSettingAndRestoresIt) {
  const MonoCase& c = GetParam();
  EmulatedController controller(Variant::kMono);
  ASSERT_TRUE(controller.ready());
  LineSession session;
  ASSERT_EQ(session.open(controller.path()), OpenOutcome::kReady);
  SetFound(session, c.found);
  const emulator::ControllerState before = controller.server().state();

  const CheckResult result = RunCheck(session, {});

  std::vector<std::string> steps;
  for (const CheckStep& s : result.steps) {
    if (s.device != "mono") continue;
    if (s.result == StepResult::kSkipped) {
      steps.push_back(s.setting + ": " + s.note);
      continue;
    }
    steps.push_back(s.setting + "=" + s.value);
    EXPECT_EQ(s.result, StepResult::kPass) << steps.back() << ": " << s.note << " " << s.expected << " / " << s.reported;
    // Read back from the status reply: a time under its timer.
    const std::size_t timer = s.value.find(' ');
    EXPECT_EQ(s.expected, timer == std::string::npos ? s.value : s.value.substr(timer + 1)) << steps.back();
    EXPECT_EQ(s.reported, s.expected) << steps.back();
    EXPECT_FALSE(s.sent.empty()) << steps.back();
    EXPECT_EQ(s.sent.find("FA F3"), std::string::npos) << steps.back() << " started a free run: " << s.sent;
  }
  EXPECT_EQ(steps, c.steps);
  EXPECT_EQ(VerdictName(result.verdict), std::string("passed"));
  EXPECT_TRUE(result.restored) << result.restoreNote;
  EXPECT_EQ(Settled(controller.server().state()), Settled(before));
}

const MonoCase kMonoCases[] = {
    {"AsItStarts",
     {},
     {"ttlIn=high", "ttlIn=low", "ttlIn=rising", "ttlIn=falling", "ttlIn=disable", "ttlOut=high", "ttlOut=low",
      "ttlOut=disable", "repeat: a repeat number of 0 cannot be set again",
      "freeRun: no command disables the free run again", "time=closed 1:02:03.4567", "time=closed 0:10:00.0000",
      "time=exposure 1:02:03.4567", "time=exposure 0:10:00.0000"}},
    {"EverySettingSet",
     {"ttlIn=falling", "ttlOut=low", "repeat=300", "freeRun=power-on", "timer=closed", "time=0:10:00",
      "timer=exposure", "time=4:59:59.9999"},
     {"ttlIn=disable", "ttlIn=high", "ttlIn=low", "ttlIn=rising", "ttlIn=falling", "ttlOut=disable", "ttlOut=high",
      "ttlOut=low", "repeat=10", "repeat=continuous", "freeRun=trigger", "freeRun=power-on",
      "time=closed 1:02:03.4567", "time=exposure 1:02:03.4567", "time=exposure 0:10:00.0000"}},
    {"ContinuousByTrigger",
     {"repeat=continuous", "freeRun=trigger", "timer=closed", "time=5:00:00"},
     {"ttlIn=high", "ttlIn=low", "ttlIn=rising", "ttlIn=falling", "ttlIn=disable", "ttlOut=high", "ttlOut=low",
      "ttlOut=disable", "repeat=10", "repeat=300", "freeRun=power-on", "freeRun=trigger",
      "time=closed 1:02:03.4567", "time=closed 0:10:00.0000", "time=exposure 1:02:03.4567",
      "time=exposure 0:10:00.0000"}},
    {"FreeRunGoing",
     {"repeat=10", "freeRun=go"},
     {"ttlIn=high", "ttlIn=low", "ttlIn=rising", "ttlIn=falling", "ttlIn=disable", "ttlOut=high", "ttlOut=low",
      "ttlOut=disable", "repeat=300", "repeat=continuous", "freeRun: a free run is going", "time=closed 1:02:03.4567",
      "time=closed 0:10:00.0000", "time=exposure 1:02:03.4567", "time=exposure 0:10:00.0000"}},
};

INSTANTIATE_TEST_SUITE_P(Mono, CheckOfMono, testing::ValuesIn(kMonoCases), CaseName());

// The wheel's visits pass every distance the shorter way round, and its speed
// moves one distance at every speed; the timing keeps each speed's moves.
TEST(CheckPlan, WheelMovesCoverEveryDistanceAndSpeed) {
  EmulatedController controller(Variant::kDuoWheelShutter);
  ASSERT_TRUE(controller.ready());
  LineSession session;
  ASSERT_EQ(session.open(controller.path()), OpenOutcome::kReady);
  SetFound(session, {"wheelA.speed=3"});
  CheckOptions options;
  options.choice.shutter[0] = false;
  const CheckResult result = RunCheck(session, options);
  std::map<int, int> distances;
  std::map<int, int> speeds;
  for (const CheckStep& s : result.steps) {
    if (s.setting == "filter") ++distances[s.distance];
    if (s.setting == "speed") ++speeds[s.speed];
  }
  // From filter 0 found: 9, 0, 8, 1, 7, 2, 6, 3, 5, 4, so 1, 1, 2, 3, 4, 5, 4, 3, 2, 1 positions.
  EXPECT_EQ(distances, (std::map<int, int>{{1, 3}, {2, 2}, {3, 2}, {4, 2}, {5, 1}}));
  EXPECT_EQ(speeds.size(), 8u);
  EXPECT_EQ(PlanOf(result.steps), "shutterA skipped, wheelA 18");
  EXPECT_EQ(result.steps.front().note, "left out");
  EXPECT_EQ(result.steps.front().device, "shutterA");
  const std::vector<MoveTimes> times = MoveTimesOf(result.steps);
  ASSERT_EQ(times.size(), 8u);
  EXPECT_EQ(times[3].speed, 3);
  EXPECT_EQ(times[3].ms.count, 10 + 1);  // the visits at the speed found, and its speed move
  EXPECT_TRUE(result.restored) << result.restoreNote;
}

// Faults a check must catch: exactly the steps they touch fail, with what
// was set and what the controller reported, and the restore still happens.
struct FaultCase {
  const char* name;
  Variant variant;
  emulator::StuckPosition stuck;
  emulator::IgnoredMode ignored;
  std::vector<std::string> failures;  // "device.setting=value: expected / reported"
};

void PrintTo(const FaultCase& c, std::ostream* out) { *out << c.name; }

class CheckOfFault : public testing::TestWithParam<FaultCase> {};

TEST_P(CheckOfFault, FailsExactlyTheAffectedStepsAndRestores) {
  const FaultCase& c = GetParam();
  emulator::EmulatorOptions options;
  options.variant = c.variant;
  options.baud = 0;
  options.stuck = c.stuck;
  options.ignoredMode = c.ignored;
  EmulatedController controller(options);
  ASSERT_TRUE(controller.ready());
  LineSession session;
  ASSERT_EQ(session.open(controller.path()), OpenOutcome::kReady);
  const emulator::ControllerState before = controller.server().state();

  CheckProgress last;
  CheckOptions checkOptions;
  checkOptions.stepEnded = [&last](const CheckStep&, const CheckProgress& counts) { last = counts; };
  const CheckResult result = RunCheck(session, checkOptions);

  std::vector<std::string> failures;
  for (const CheckStep& s : result.steps) {
    if (s.result == StepResult::kFail) {
      failures.push_back(s.device + "." + s.setting + "=" + s.value + ": " + s.expected + " / " + s.reported);
    }
  }
  EXPECT_EQ(failures, c.failures);
  EXPECT_EQ(last.failed, static_cast<int>(failures.size()));
  EXPECT_EQ(last.done, static_cast<int>(result.steps.size()));
  EXPECT_EQ(VerdictName(result.verdict), std::string("failed"));
  EXPECT_TRUE(result.restored) << result.restoreNote;
  EXPECT_EQ(Settled(controller.server().state()), Settled(before));
}

// Found: every wheel at filter 0 and speed 0, every shutter closed and fast
// (so the modes go soft, nd 1, nd 13, nd 144, fast).
// Wheel A visits 9 first (the mirrored order, as it starts at 0) and ends its
// visits at 4; its speed moves go to 9 and back to 4.
const FaultCase kFaults[] = {
    {"StuckWheel",
     Variant::kDuoWheelShutter,
     {Device::kWheelA, 9},
     {},
     {"wheelA.filter=9: 9 / 0", "wheelA.speed=0: filter 9, speed 0 / filter 4, speed 0",
      "wheelA.speed=2: filter 9, speed 2 / filter 4, speed 2", "wheelA.speed=4: filter 9, speed 4 / filter 4, speed 4",
      "wheelA.speed=6: filter 9, speed 6 / filter 4, speed 6"}},
    {"ShutterIgnoresAMode",
     Variant::kTriad,
     {},
     {Device::kShutterB, static_cast<int>(emulator::ShutterMode::kSoft)},
     {"shutterB.mode=soft: soft / fast"}},
    {"ShutterIgnoresNeutralDensity",
     Variant::kMono,
     {},
     {Device::kShutterA, static_cast<int>(emulator::ShutterMode::kNeutralDensity)},
     {"shutterA.steps=1: mode nd, steps 1 / mode soft, steps 0",
      "shutterA.steps=13: mode nd, steps 13 / mode soft, steps 0",
      "shutterA.steps=144: mode nd, steps 144 / mode soft, steps 0"}},
};

INSTANTIATE_TEST_SUITE_P(Faults, CheckOfFault, testing::ValuesIn(kFaults), CaseName());

// A controller that falls silent mid-check: the check ends with the steps it
// has, the last one failed for want of a reply, and says the restore could
// not be verified.
TEST(CheckOfSilence, EndsWithWhatItHasAndNoVerifiedRestore) {
  emulator::EmulatorOptions options;
  options.variant = Variant::kDuoShutterShutter;
  options.baud = 0;
  // The on-line byte, the configuration and status queries, then three steps
  // of two cycles each and the fourth step's command.
  options.silentAfter = 3 + 3 * 2 + 1;
  EmulatedController controller(options);
  ASSERT_TRUE(controller.ready());
  LineSession session;
  ASSERT_EQ(session.open(controller.path()), OpenOutcome::kReady);

  const CheckResult result = RunCheck(session, {});

  ASSERT_EQ(result.steps.size(), 4u);
  for (int i = 0; i < 3; ++i) EXPECT_EQ(result.steps[static_cast<std::size_t>(i)].result, StepResult::kPass) << i;
  EXPECT_EQ(result.steps[3].result, StepResult::kFail);
  EXPECT_EQ(result.steps[3].note, "status query: no reply");
  EXPECT_EQ(VerdictName(result.verdict), std::string("no reply"));
  EXPECT_FALSE(result.restored);
  EXPECT_EQ(result.restoreNote,
            "the controller did not answer; the settings found could not be set again and verified");
}

}  // namespace
