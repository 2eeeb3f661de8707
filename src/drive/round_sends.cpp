#include "round_sends.h"

#include <map>

#include "cycle_state.h"
#include "remembered_values.h"

namespace {

// Repeat numbers above a count all mean continuous free run, remembered as one.
constexpr int kMaxRepeatCount = 65000;
// No control shows it: a remembered value that always differs.
constexpr int32_t kNoValue = -1;

// A remembered value: a wheel field of icomm0 or a setting field of scomm0.
struct Field {
  bool wheel;
  int index;
  bool operator<(const Field& other) const {
    return wheel != other.wheel ? wheel < other.wheel : index < other.index;
  }
};

constexpr SettingField kStates[] = {kShutterAstatus, kShutterBstatus};
constexpr SettingField kModes[] = {kShutterAmode, kShutterBmode};
constexpr SettingField kStepFields[] = {kShutterAsteps, kShutterBsteps};

// The fields a setting sets, each with the value it is to hold; none for an
// entry of the general command list, which is sent whenever it is chosen.
std::vector<std::pair<Field, int>> FieldsOf(const Setting& s) {
  const int d = s.key->device;
  switch (s.key->kind) {
    case KeyKind::kFilter:
      return {{{true, 2 * d}, s.value}};
    case KeyKind::kSpeed:
      return {{{true, 2 * d + 1}, s.value}};
    case KeyKind::kShutterState:
      return {{{false, kStates[d]}, s.value}};
    case KeyKind::kShutterMode:
      return {{{false, kModes[d]}, s.value}};
    case KeyKind::kShutterSteps:
      return {{{false, kStepFields[d]}, s.value}};
    case KeyKind::kRepeat:
      return {{{false, kRepeatNumber}, s.text == "continuous" || s.value > kMaxRepeatCount ? kContinuous : s.value}};
    case KeyKind::kTimer:
      return {{{false, kTimerType}, s.value}};
    case KeyKind::kTime: {
      std::vector<std::pair<Field, int>> fields;
      for (int i = 0; i < 5; ++i) fields.push_back({{false, kTHour + i}, s.time[i]});
      return fields;
    }
    default:
      return {};
  }
}

using Remembered = std::map<Field, int>;

// Whether the cycle sends from the remembered values, which it then updates.
bool Sends(const SettingCycle& cycle, Remembered& remembered) {
  bool sends = false;
  for (const Setting& s : cycle.settings) {
    const auto fields = FieldsOf(s);
    if (fields.empty()) sends = true;
    for (const auto& [field, value] : fields) {
      const auto was = remembered.find(field);
      if (was == remembered.end() || was->second != value) sends = true;
      remembered[field] = value;
    }
  }
  return sends;
}

int32_t& RememberedOf(Field field) { return field.wheel ? icomm0[field.index] : scomm0[field.index]; }

}  // namespace

std::vector<std::size_t> CyclesSendingNothingAfterTheFirstRound(const std::vector<SettingCycle>& cycles) {
  Remembered remembered;
  for (const SettingCycle& cycle : cycles) Sends(cycle, remembered);
  std::vector<std::size_t> idle;
  for (std::size_t i = 0; i < cycles.size(); ++i) {
    if (!Sends(cycles[i], remembered)) idle.push_back(i);
  }
  return idle;
}

bool RoundSendsNothingNow(const std::vector<SettingCycle>& cycles) {
  Remembered remembered;
  for (const SettingCycle& cycle : cycles) {
    for (const Setting& s : cycle.settings) {
      for (const auto& [field, value] : FieldsOf(s)) remembered.emplace(field, RememberedOf(field));
    }
  }
  for (const SettingCycle& cycle : cycles) {
    if (Sends(cycle, remembered)) return false;
  }
  return true;
}

std::string AnotherValue(const Setting& s) {
  for (const ValueName& name : ValueNamesOf(s.key->kind)) {
    if (name.value != s.value) return name.name;
  }
  switch (s.key->kind) {
    case KeyKind::kFilter:
      return s.value == 0 ? "9" : "0";
    case KeyKind::kSpeed:
      return s.value == 0 ? "7" : "0";
    case KeyKind::kTime:
      return s.time[2] == 1 ? "0:0:2" : "0:0:1";
    default:
      return s.value == 1 ? "2" : "1";
  }
}

SentAsChanged::SentAsChanged(const SettingCycle& cycle, HeadlessWindow& window) : window_(window) {
  for (const Setting& s : cycle.settings) {
    const auto fields = FieldsOf(s);
    // A time from its finest field up, so that the window carries it whole.
    for (std::size_t i = s.key->kind == KeyKind::kTime ? fields.size() - 1 : 0; i < fields.size(); ++i) {
      int32_t& remembered = RememberedOf(fields[i].first);
      poked_.push_back({&remembered, remembered});
      remembered = kNoValue;
    }
  }
}

SentAsChanged::~SentAsChanged() {
  bool putBack = false;
  for (const Poked& p : poked_) {
    if (*p.remembered != kNoValue) continue;
    *p.remembered = p.was;
    putBack = true;
  }
  if (putBack) ShowRememberedValues(window_.controller);
}
