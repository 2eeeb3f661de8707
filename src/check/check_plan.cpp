#include "check_plan.h"

#include <cstdlib>

#include "cycle_state.h"

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

void Skip(CheckPlan& plan, const std::string& device, const char* why) {
  PlannedStep step;
  step.device = device;
  step.skipped = why;
  plan.steps.push_back(step);
}

}  // namespace

int MoveDistance(int from, int to) {
  const int along = std::abs(to - from) % kPositions;
  return along <= kPositions / 2 ? along : kPositions - along;
}

CheckPlan PlanCheck(HeadlessWindow& window, const CheckChoice& choice) {
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
  return plan;
}
