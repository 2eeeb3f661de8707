#include "check_plan.h"

#include <cstdio>
#include <cstdlib>
#include <optional>

#include "cycle_state.h"
#include "mono_settings.h"

namespace {

constexpr int kPositions = 10;
constexpr int kSpeeds = 8;
// Each visit's move is one position shorter than the one before it (9, 8, …
// 1 positions along the wheel), so the visits pass every distance once.
constexpr int kVisits[kPositions] = {0, 9, 1, 8, 2, 7, 3, 6, 4, 5};
constexpr int kMirroredVisits[kPositions] = {9, 0, 8, 1, 7, 2, 6, 3, 5, 4};
// The speed moves go half round the wheel, the longest move.
constexpr int kSpeedMoveDistance = kPositions / 2;

constexpr const char* kStates[] = {"closed", "open", "conditional"};
// A shutter's modes as set: the neutral density mode with three step counts.
struct ModeSetting {
  const char* mode;
  const char* steps;  // nullptr: no step count
};
constexpr ModeSetting kModes[] = {{"fast", nullptr}, {"soft", nullptr}, {"nd", "1"}, {"nd", "13"}, {"nd", "144"}};

constexpr char kNotConnected[] = "not connected";
constexpr char kLeftOut[] = "left out";

SettingCycle CycleOf(const std::vector<std::string>& words) {
  std::string error;
  std::vector<SettingCycle> cycles = ParseSettings(words, error);
  return cycles.empty() ? SettingCycle{} : cycles.front();
}

// A list that holds more than the not-connected entry alone belongs to a
// connected device.
bool Connected(const ComboBox* list) {
  const auto* box = static_cast<const HeadlessComboBox*>(list);
  return !box->hidden && box->numberOfItems() > 1;
}

// The devices each variant has (by the detected variant's number), wheels A
// to C then shutters A and B; the window keeps a list for some it lacks.
constexpr bool kHas[5][kCheckWheels + kCheckShutters] = {
    {false, false, false, false, false},  // not identified
    {true, false, false, true, false},    // Duo wheel/shutter
    {false, false, false, true, true},    // Duo shutter/shutter
    {true, true, true, true, true},       // Triad
    {false, false, false, true, false},   // Mono
};

bool Has(int device) { return itype >= 0 && itype < 5 && kHas[itype][device]; }

void AddWheel(CheckPlan& plan, const std::string& device, int filter, int speed) {
  const std::string key = device + ".";
  const int* visits = filter == kVisits[0] ? kMirroredVisits : kVisits;
  int at = filter;
  for (int i = 0; i < kPositions; ++i) {
    const int to = visits[i];
    plan.steps.push_back({device, "filter", std::to_string(to), CycleOf({key + "filter=" + std::to_string(to)}), {},
                          speed, MoveDistance(at, to)});
    at = to;
  }
  for (int s = 0; s < kSpeeds; ++s) {
    const int to = (at + kSpeedMoveDistance) % kPositions;
    plan.steps.push_back({device, "speed", std::to_string(s),
                          CycleOf({key + "filter=" + std::to_string(to), key + "speed=" + std::to_string(s)}), {}, s,
                          kSpeedMoveDistance});
    at = to;
  }
  plan.restore.push_back(CycleOf({key + "filter=" + std::to_string(filter), key + "speed=" + std::to_string(speed)}));
}

// Each state and mode once, starting after the one found, so that the first
// differs from what the window shows and is sent, and the last is the found one.
void AddShutter(CheckPlan& plan, const std::string& device, int state, int mode, const std::string& steps) {
  const std::string key = device + ".";
  for (int i = 1; i <= 3; ++i) {
    const char* to = kStates[(state + i) % 3];
    plan.steps.push_back({device, "state", to, CycleOf({key + "state=" + to}), {}, -1, -1});
  }
  const int count = static_cast<int>(std::size(kModes));
  // The neutral density mode is found as the entry with its step count, or
  // as the first one when the count is another.
  int found = mode < 2 ? mode : 2;
  for (int m = 2; m < count; ++m) {
    if (mode == 2 && steps == kModes[m].steps) found = m;
  }
  for (int i = 1; i <= count; ++i) {
    const ModeSetting& m = kModes[(found + i) % count];
    std::vector<std::string> words = {key + "mode=" + m.mode};
    if (m.steps != nullptr) words.push_back(key + "steps=" + m.steps);
    plan.steps.push_back({device, m.steps == nullptr ? "mode" : "steps", m.steps == nullptr ? m.mode : m.steps,
                          CycleOf(words), {}, -1, -1});
  }
  std::vector<std::string> modeWords = {key + "mode=" + kModes[found].mode};
  if (mode == 2) modeWords.push_back(key + "steps=" + (steps.empty() ? "0" : steps));
  plan.restore.push_back(CycleOf(modeWords));
  plan.restore.push_back(CycleOf({key + "state=" + kStates[state]}));
}

void Skip(CheckPlan& plan, const std::string& device, const char* why, const char* setting = "") {
  PlannedStep step;
  step.device = device;
  step.setting = setting;
  step.skipped = why;
  plan.steps.push_back(step);
}

// The Mono's own settings. Trigger codes take each value once, starting
// after the one found and ending with it. The free run only swaps its two
// enabling settings: "go" starts an exposure run, and no command disables
// the free run again, so a free run found disabled or going is left alone.
// A repeat number of 0, or a time the window cannot take, cannot be set
// again and is left alone too.
constexpr char kMonoDevice[] = "mono";
constexpr const char* kTtlIn[] = {"disable", "high", "low", "rising", "falling"};
constexpr unsigned char kTtlInFirst = 0xA0;
constexpr const char* kTtlOut[] = {"disable", "high", "low"};
constexpr unsigned char kTtlOutFirst = 0xB0;
constexpr unsigned char kFreeRunByPowerOn = 0xF1;
constexpr unsigned char kFreeRunByTrigger = 0xF2;
constexpr unsigned char kFreeRunGo = 0xF3;
// 10 goes out as a byte equal to the line end, continuous as FF FF.
constexpr const char* kRepeats[] = {"10", "300", "continuous"};
// Every digit of the time block differs, and 10 minutes is a byte equal to
// the line end.
constexpr const char* kTimes[] = {"1:02:03.4567", "0:10:00.0000"};
constexpr const char* kTimers[] = {"closed", "exposure"};
constexpr int kMaxHours = 5;

// One cycle of all the words: a timer and its time go out as one command.
SettingCycle Together(const std::vector<std::string>& words) {
  std::string error;
  SettingCycle together;
  for (const SettingCycle& cycle : ParseSettings(words, error)) {
    together.settings.insert(together.settings.end(), cycle.settings.begin(), cycle.settings.end());
  }
  return together;
}

template <std::size_t N>
int IndexOfCode(unsigned char code, unsigned char first, const char* const (&)[N]) {
  return code > first && code < first + N ? code - first : 0;
}

template <std::size_t N>
void AddCodes(CheckPlan& plan, const char* key, int found, const char* const (&values)[N]) {
  for (std::size_t i = 1; i <= N; ++i) {
    const char* to = values[(static_cast<std::size_t>(found) + i) % N];
    plan.steps.push_back({kMonoDevice, key, to, CycleOf({std::string(key) + "=" + to}), {}, -1, -1});
  }
  plan.restore.push_back(CycleOf({std::string(key) + "=" + values[found]}));
}

void AddRepeat(CheckPlan& plan, int found) {
  if (found == 0) return Skip(plan, kMonoDevice, "a repeat number of 0 cannot be set again", "repeat");
  for (const char* to : kRepeats) {
    if (RepeatText(found) == to) continue;
    plan.steps.push_back({kMonoDevice, "repeat", to, CycleOf({std::string("repeat=") + to}), {}, -1, -1});
  }
  plan.restore.push_back(CycleOf({"repeat=" + std::to_string(found)}));
}

void AddFreeRun(CheckPlan& plan, unsigned char found, int repeat) {
  if (found == kFreeRunGo) return Skip(plan, kMonoDevice, "a free run is going", "freeRun");
  if (found != kFreeRunByPowerOn && found != kFreeRunByTrigger) {
    return Skip(plan, kMonoDevice, "no command disables the free run again", "freeRun");
  }
  if (repeat == 0) return Skip(plan, kMonoDevice, "the free run by trigger needs a repeat number", "freeRun");
  const char* const swapped[] = {"trigger", "power-on"};
  const int first = found == kFreeRunByPowerOn ? 0 : 1;
  for (int i = 0; i < 2; ++i) {
    const char* to = swapped[(first + i) % 2];
    plan.steps.push_back({kMonoDevice, "freeRun", to, CycleOf({std::string("freeRun=") + to}), {}, -1, -1});
  }
  plan.restore.push_back(CycleOf({std::string("freeRun=") + swapped[(first + 1) % 2]}));
}

// As a time is typed: hours, minutes, seconds, then the milliseconds and
// their tenths after the point.
std::string TimeWords(const int (&t)[5]) {
  char text[64];
  const int written = std::snprintf(text, sizeof text, "%d:%02d:%02d.%03d%d", t[0], t[1], t[2], t[3], t[4]);
  return written < 0 ? std::string() : std::string(text);
}

// Within the window's ranges and at most 5 hours.
bool CanBeTyped(const int (&t)[5]) {
  const bool inRange = t[0] >= 0 && t[1] >= 0 && t[1] <= 59 && t[2] >= 0 && t[2] <= 59 && t[3] >= 0 && t[3] <= 999 &&
                       t[4] >= 0 && t[4] <= 9;
  return inRange && (t[0] < kMaxHours || (t[0] == kMaxHours && t[1] == 0 && t[2] == 0 && t[3] == 0 && t[4] == 0));
}

void AddTime(CheckPlan& plan, int timer, const int (&found)[5]) {
  const std::string name = kTimers[timer];
  if (!CanBeTyped(found)) {
    return Skip(plan, kMonoDevice, timer == 0 ? "the closed time found cannot be set again"
                                        : "the exposure time found cannot be set again",
                "time");
  }
  const std::string timerWord = "timer=" + name;
  for (const char* to : kTimes) {
    if (TimeWords(found) == to) continue;
    plan.steps.push_back({kMonoDevice, "time", name + " " + to, Together({timerWord, std::string("time=") + to}), {}, -1, -1});
  }
  plan.restore.push_back(Together({timerWord, "time=" + TimeWords(found)}));
}

void AddMono(CheckPlan& plan, const MonoSettings& found) {
  AddCodes(plan, "ttlIn", IndexOfCode(found.ttlIn, kTtlInFirst, kTtlIn), kTtlIn);
  AddCodes(plan, "ttlOut", IndexOfCode(found.ttlOut, kTtlOutFirst, kTtlOut), kTtlOut);
  AddRepeat(plan, found.repeat);
  AddFreeRun(plan, found.freeRun, found.repeat);
  AddTime(plan, 0, found.closedTime);
  AddTime(plan, 1, found.exposureTime);
}

}  // namespace

int MoveDistance(int from, int to) {
  const int along = std::abs(to - from) % kPositions;
  return along <= kPositions / 2 ? along : kPositions - along;
}

CheckPlan PlanCheck(HeadlessWindow& window, const CheckChoice& choice, std::span<const unsigned char> found) {
  TessaroController& c = window.controller;
  ComboBox* const filters[] = {c.filterA, c.filterB, c.filterC};
  ComboBox* const speeds[] = {c.speedA, c.speedB, c.speedC};
  ComboBox* const states[] = {c.shutterAstatus, c.shutterBstatus};
  ComboBox* const modes[] = {c.shutterAmode, c.shutterBmode};
  TextField* const steps[] = {c.shutterAsteps, c.shutterBsteps};
  CheckPlan plan;
  std::vector<int> wheels;
  std::vector<int> shutters;
  for (int w = 0; w < kCheckWheels; ++w) {
    const std::string device = std::string("wheel") + static_cast<char>('A' + w);
    if (!Has(w)) continue;
    if (!Connected(filters[w])) {
      Skip(plan, device, kNotConnected);
    } else if (!choice.wheel[w]) {
      Skip(plan, device, kLeftOut);
    } else {
      wheels.push_back(w);
    }
  }
  for (int s = 0; s < kCheckShutters; ++s) {
    const std::string device = std::string("shutter") + static_cast<char>('A' + s);
    if (!Has(kCheckWheels + s)) continue;
    if (!Connected(modes[s])) {
      Skip(plan, device, kNotConnected);
    } else if (!choice.shutter[s]) {
      Skip(plan, device, kLeftOut);
    } else {
      shutters.push_back(s);
    }
  }
  for (int w : wheels) {
    AddWheel(plan, std::string("wheel") + static_cast<char>('A' + w), filters[w]->indexOfSelectedItem(),
             speeds[w]->indexOfSelectedItem());
  }
  for (int s : shutters) {
    AddShutter(plan, std::string("shutter") + static_cast<char>('A' + s), states[s]->indexOfSelectedItem(),
               modes[s]->indexOfSelectedItem(), steps[s]->stringValue());
  }
  if (itype == kMono) {
    if (const std::optional<MonoSettings> mono = DecodeMonoSettings(found)) {
      AddMono(plan, *mono);
    } else {
      Skip(plan, kMonoDevice, kNotConnected);
    }
  }
  return plan;
}
