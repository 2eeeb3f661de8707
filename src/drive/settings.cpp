#include "settings.h"

#include <algorithm>
#include <cstdio>
#include <cctype>
#include <cstring>
#include <optional>

#include "cycle_state.h"
#include "layout_items.h"
#include "mono_settings.h"
#include "status_layouts.h"

namespace {

// Longer numbers read as the field's 32-bit bound anyway; a bound on the
// digits keeps every accepted word an ordinary number.
constexpr std::size_t kMaxDigits = 9;
// Milliseconds and their tenths after the seconds' point.
constexpr std::size_t kMaxFractionDigits = 4;
constexpr int kMaxFilter = 9;
constexpr int kMaxSpeed = 7;
constexpr char kContinuousValue[] = "continuous";

bool ReadNumber(const std::string& text, int& number) {
  if (text.empty() || text.size() > kMaxDigits) return false;
  number = 0;
  for (char c : text) {
    if (c < '0' || c > '9') return false;
    number = number * 10 + (c - '0');
  }
  return true;
}

// The words a status report prints for a shutter's state, read as set's own.
struct StatusWord {
  const char* printed;
  const char* value;
};
constexpr StatusWord kStatusWords[] = {{"close", "closed"}, {"open conditional", "conditional"},
                                       {"open-conditional", "conditional"}};

std::string SetWordOf(KeyKind kind, const std::string& text) {
  std::string lower(text);
  std::transform(lower.begin(), lower.end(), lower.begin(), [](unsigned char c) { return std::tolower(c); });
  if (kind != KeyKind::kShutterState) return lower;
  for (const StatusWord& word : kStatusWords) {
    if (lower == word.printed) return word.value;
  }
  return lower;
}

bool ReadNamed(KeyKind kind, const std::string& text, int& value) {
  const std::string word = SetWordOf(kind, text);
  for (const ValueName& name : ValueNamesOf(kind)) {
    if (word == name.name) {
      value = name.value;
      return true;
    }
  }
  return false;
}

// H:M:S with an optional decimal fraction of the second: "0:0:1.2505" is one
// second, 250 ms and 5 tenths.
bool ReadTime(const std::string& text, int (&time)[5]) {
  const std::size_t first = text.find(':');
  const std::size_t second = first == std::string::npos ? first : text.find(':', first + 1);
  if (second == std::string::npos) return false;
  const std::size_t point = text.find('.', second);
  const std::string seconds = text.substr(second + 1, point == std::string::npos ? std::string::npos : point - second - 1);
  std::string fraction = point == std::string::npos ? "0" : text.substr(point + 1);
  if (fraction.empty() || fraction.size() > kMaxFractionDigits) return false;
  fraction.resize(kMaxFractionDigits, '0');
  int digits = 0;
  if (!ReadNumber(text.substr(0, first), time[0]) || !ReadNumber(text.substr(first + 1, second - first - 1), time[1]) ||
      !ReadNumber(seconds, time[2]) || !ReadNumber(fraction, digits)) {
    return false;
  }
  time[3] = digits / 10;
  time[4] = digits % 10;
  return true;
}

bool ReadValue(Setting& s, const std::string& text) {
  switch (s.key->kind) {
    case KeyKind::kFilter:
      return ReadNumber(text, s.value) && s.value <= kMaxFilter;
    case KeyKind::kSpeed:
      return ReadNumber(text, s.value) && s.value <= kMaxSpeed;
    case KeyKind::kShutterSteps:
      s.text = text;
      return ReadNumber(text, s.value);
    case KeyKind::kRepeat:
      s.text = text;
      return text == kContinuousValue || ReadNumber(text, s.value);
    case KeyKind::kTime:
      return ReadTime(text, s.time);
    default:
      return ReadNamed(s.key->kind, text, s.value);
  }
}

// Keys whose two values an operator sets together before one Send: a wheel's
// filter and speed (one move), a shutter's mode and its step count (the
// neutral-density mode goes out with its steps).
bool ArePartners(const SetKey& a, const SetKey& b) {
  const auto pair = [&a, &b](KeyKind one, KeyKind other) {
    return (a.kind == one && b.kind == other) || (a.kind == other && b.kind == one);
  };
  return a.device == b.device && (pair(KeyKind::kFilter, KeyKind::kSpeed) || pair(KeyKind::kShutterMode, KeyKind::kShutterSteps));
}

// The cycle that already holds the other half of this setting, the latest
// first: with a key given twice ("wheelA.filter=0 wheelA.filter=9
// wheelA.speed=2") the speed goes with the move just before it.
SettingCycle* PartnerOf(std::vector<SettingCycle>& cycles, const Setting& s) {
  for (auto cycle = cycles.rbegin(); cycle != cycles.rend(); ++cycle) {
    if (cycle->settings.size() == 1 && ArePartners(*cycle->settings.front().key, *s.key)) return &*cycle;
  }
  return nullptr;
}

ComboBox* TessaroController::*const kFilters[] = {&TessaroController::filterA, &TessaroController::filterB,
                                                  &TessaroController::filterC};
ComboBox* TessaroController::*const kSpeeds[] = {&TessaroController::speedA, &TessaroController::speedB,
                                                 &TessaroController::speedC};
ComboBox* TessaroController::*const kStates[] = {&TessaroController::shutterAstatus, &TessaroController::shutterBstatus};
ComboBox* TessaroController::*const kModes[] = {&TessaroController::shutterAmode, &TessaroController::shutterBmode};
TextField* TessaroController::*const kSteps[] = {&TessaroController::shutterAsteps, &TessaroController::shutterBsteps};
TextField* TessaroController::*const kTimeFields[] = {&TessaroController::tHour, &TessaroController::tMinute,
                                                      &TessaroController::tSecond, &TessaroController::tMsecond,
                                                      &TessaroController::tTenthmsecond};

constexpr char kNoSuchControl[] = "this controller has no such device or setting";
constexpr char kReadOnly[] = "this controller takes no such setting";
constexpr char kNoSuchEntry[] = "this controller's general command list has no such entry";

constexpr char kNoSuchItem[] = "this controller takes no such value here (a device that is not connected takes none)";

// The operator picks items the list holds, in controls the window shows: a
// wheel that is not connected holds no filter or speed item, so its move is
// refused before anything is sent.
const char* Select(ComboBox* TessaroController::*list, HeadlessWindow& window, int index) {
  auto* box = static_cast<HeadlessComboBox*>(window.controller.*list);
  if (box->hidden) return kNoSuchControl;
  if (index < 0 || index >= box->numberOfItems()) return kNoSuchItem;
  box->choose(index);
  return nullptr;
}

const char* Type(TextField* TessaroController::*field, HeadlessWindow& window, const std::string& text) {
  auto* typed = static_cast<HeadlessTextField*>(window.controller.*field);
  if (typed->hidden) return kNoSuchControl;
  return typed->type(text) ? nullptr : kReadOnly;
}

const char* TypeTime(const int (&time)[5], HeadlessWindow& window) {
  for (int i = 0; i < 5; ++i) {
    if (const char* problem = Type(kTimeFields[i], window, std::to_string(time[i]))) return problem;
  }
  return nullptr;
}

const char* Apply(const Setting& s, HeadlessWindow& window) {
  const int device = s.key->device;
  switch (s.key->kind) {
    case KeyKind::kFilter:
      return Select(kFilters[device], window, s.value);
    case KeyKind::kSpeed:
      return Select(kSpeeds[device], window, s.value);
    case KeyKind::kShutterState:
      return Select(kStates[device], window, s.value);
    case KeyKind::kShutterMode:
      return Select(kModes[device], window, s.value);
    case KeyKind::kShutterSteps:
      return Type(kSteps[device], window, s.text);
    case KeyKind::kRepeat:
      return Type(&TessaroController::repeatNumber, window, s.text);
    case KeyKind::kTimer:
      return Select(&TessaroController::timerType, window, s.value);
    case KeyKind::kTime:
      return TypeTime(s.time, window);
    default:
      return PickGeneralCommand(window.otherCommand, s.value) ? nullptr : kNoSuchEntry;
  }
}

}  // namespace

bool PickGeneralCommand(HeadlessComboBox& list, int layoutIndex) {
  const std::string text = kOtherCommandItems.at(static_cast<std::size_t>(layoutIndex));
  for (std::size_t i = 0; i < list.items.size(); ++i) {
    if (list.items[i] == text) {
      list.choose(static_cast<int32_t>(i));
      return true;
    }
  }
  return false;
}

std::string SettingCycle::words() const {
  std::string text;
  for (const Setting& s : settings) text += (text.empty() ? "" : " ") + s.word;
  return text;
}

std::vector<SettingCycle> ParseSettings(const std::vector<std::string>& words, std::string& error) {
  std::vector<SettingCycle> cycles;
  for (const std::string& word : words) {
    const std::size_t equals = word.find('=');
    if (equals == std::string::npos) {
      error = "'" + word + "': expected KEY=VALUE";
      return {};
    }
    const std::string key = word.substr(0, equals);
    Setting s;
    s.word = word;
    s.key = FindSetKey(key.c_str());
    if (s.key == nullptr) {
      error = "unknown key '" + key + "'";
      return {};
    }
    const std::string value = word.substr(equals + 1);
    if (!ReadValue(s, value)) {
      error = "'" + value + "' is no value of " + key + " (" + s.key->values + ")";
      return {};
    }
    if (SettingCycle* partner = PartnerOf(cycles, s)) {
      partner->settings.push_back(s);
    } else {
      cycles.push_back({{s}});
    }
  }
  return cycles;
}

std::string ApplySettings(const SettingCycle& cycle, HeadlessWindow& window) {
  for (const Setting& s : cycle.settings) {
    if (const char* problem = Apply(s, window)) return problem;
  }
  return {};
}

namespace {

// The list a wheel's or shutter's key sets; nullptr for other keys.
ComboBox* TessaroController::*ReportedList(const SetKey& key) {
  switch (key.kind) {
    case KeyKind::kFilter:
      return kFilters[key.device];
    case KeyKind::kSpeed:
      return kSpeeds[key.device];
    case KeyKind::kShutterState:
      return kStates[key.device];
    case KeyKind::kShutterMode:
      return kModes[key.device];
    default:
      return nullptr;
  }
}


// The Mono's codes as the keys' values: an FA command's second byte is the
// general command list's entry that sends it. A code the report reads as
// disabled is the disabling entry's (free run has none).
constexpr int kTtlInFirstEntry = 16;   // FA A0
constexpr int kTtlOutFirstEntry = 21;  // FA B0
constexpr unsigned char kTtlInCodes[] = {0xA1, 0xA2, 0xA3, 0xA4};
constexpr unsigned char kTtlOutCodes[] = {0xB1, 0xB2};
struct FreeRunCode {
  unsigned char code;
  int entry;
};
constexpr FreeRunCode kFreeRunCodes[] = {{0xF3, 10}, {0xF1, 11}, {0xF2, 12}};
constexpr char kFreeRunDisabled[] = "disable";
constexpr int kMaxRepeatCount = 65000;

int EntryOfCode(unsigned char code, std::span<const unsigned char> codes, int firstEntry) {
  for (std::size_t i = 0; i < codes.size(); ++i) {
    if (codes[i] == code) return firstEntry + 1 + static_cast<int>(i);
  }
  return firstEntry;
}


// A reported time is written as it came: a digit above 9 shows.
std::string TimeText(const int (&t)[5]) {
  char text[64];
  const int written = std::snprintf(text, sizeof text, "%d:%02d:%02d.%03d%d", t[0], t[1], t[2], t[3], t[4]);
  return written < 0 ? std::string() : std::string(text);
}

std::string MonoSetText(const Setting& s) {
  switch (s.key->kind) {
    case KeyKind::kRepeat:
      return s.text == kContinuousValue ? kContinuousValue : RepeatText(s.value);
    case KeyKind::kTime: {
      // Carried upward as the window carries a typed time.
      int t[5] = {s.time[0], s.time[1], s.time[2], s.time[3], s.time[4]};
      constexpr int kLimits[] = {0, 60, 60, 1000, 10};
      for (int i = 4; i > 0; --i) {
        if (t[i] >= kLimits[i]) {
          t[i - 1] += t[i] / kLimits[i];
          t[i] %= kLimits[i];
        }
      }
      return TimeText(t);
    }
    default:
      return ValueText(*s.key, s.value);
  }
}

// timer: the timer whose time a time key set (0 closed, 1 exposure).
std::optional<std::string> MonoReported(const SetKey& key, const MonoSettings& mono, int timer) {
  switch (key.kind) {
    case KeyKind::kTtlIn:
      return ValueText(key, EntryOfCode(mono.ttlIn, kTtlInCodes, kTtlInFirstEntry));
    case KeyKind::kTtlOut:
      return ValueText(key, EntryOfCode(mono.ttlOut, kTtlOutCodes, kTtlOutFirstEntry));
    case KeyKind::kFreeRun:
      for (const FreeRunCode& c : kFreeRunCodes) {
        if (c.code == mono.freeRun) return ValueText(key, c.entry);
      }
      return kFreeRunDisabled;
    case KeyKind::kRepeat:
      return RepeatText(mono.repeat);
    case KeyKind::kTime:
      return TimeText(timer == 0 ? mono.closedTime : mono.exposureTime);
    default:
      return std::nullopt;
  }
}

}  // namespace

std::vector<ReportedValue> ReportedValues(const std::vector<SettingCycle>& cycles, HeadlessWindow& window,
                                          std::span<const unsigned char> statusReply) {
  std::vector<const Setting*> last;
  int timer = window.controller.timerType->indexOfSelectedItem();
  for (const SettingCycle& cycle : cycles) {
    for (const Setting& s : cycle.settings) {
      if (s.key->kind == KeyKind::kTimer) timer = s.value;
      const auto same = std::find_if(last.begin(), last.end(), [&s](const Setting* l) { return l->key == s.key; });
      if (same == last.end()) {
        last.push_back(&s);
      } else {
        *same = &s;
      }
    }
  }
  const std::optional<MonoSettings> mono =
      statusReply.empty() ? std::nullopt : DecodeMonoSettings(statusReply);
  std::vector<ReportedValue> values;
  for (const Setting* s : last) {
    if (ComboBox* TessaroController::*list = ReportedList(*s->key)) {
      values.push_back({s->key, ValueText(*s->key, s->value),
                        ValueText(*s->key, (window.controller.*list)->indexOfSelectedItem())});
    } else if (s->key->kind == KeyKind::kShutterSteps) {
      // The report carries a neutral density mode's step count too, which
      // the window shows in the shutter's steps field.
      values.push_back({s->key, std::to_string(s->value),
                        std::to_string((window.controller.*kSteps[s->key->device])->intValue())});
    } else if (mono) {
      const std::optional<std::string> reported = MonoReported(*s->key, *mono, timer);
      if (reported) values.push_back({s->key, MonoSetText(*s), *reported});
    }
  }
  return values;
}

std::vector<ReportedValue> MismatchedValues(const std::vector<SettingCycle>& cycles, HeadlessWindow& window,
                                            std::span<const unsigned char> statusReply) {
  std::vector<ReportedValue> mismatched;
  const std::vector<ReportedValue> values = ReportedValues(cycles, window, statusReply);
  for (const ReportedValue& v : values) {
    if (v.reported != v.set) mismatched.push_back(v);
  }
  // A key set and not read back is no match: the reply did not decode for
  // it (a Mono's settings), or none was given.
  for (const SettingCycle& cycle : cycles) {
    for (const Setting& s : cycle.settings) {
      const auto same = [&s](const auto& v) { return v.key == s.key; };
      if (s.key->kind == KeyKind::kTimer || std::any_of(values.begin(), values.end(), same) ||
          std::any_of(mismatched.begin(), mismatched.end(), same)) {
        continue;
      }
      mismatched.push_back({s.key, {}, kNotShown});
    }
  }
  // The value a key not read back was set to last.
  for (ReportedValue& v : mismatched) {
    if (v.reported != kNotShown) continue;
    for (const SettingCycle& cycle : cycles) {
      for (const Setting& s : cycle.settings) {
        if (s.key == v.key) v.set = s.word.substr(s.word.find('=') + 1);
      }
    }
  }
  return mismatched;
}

std::string ReportedMismatches(const std::vector<SettingCycle>& cycles, HeadlessWindow& window,
                               std::span<const unsigned char> statusReply) {
  std::string mismatches;
  for (const ReportedValue& v : MismatchedValues(cycles, window, statusReply)) {
    const std::string text = v.reported == kNotShown ? std::string(v.key->key) + ": " + kNotShown
                                                     : std::string(v.key->key) + ": reported " + v.reported +
                                                           ", set " + v.set;
    mismatches += (mismatches.empty() ? "" : "; ") + text;
  }
  return mismatches;
}

namespace {

// The wheels and shutters whose settings a variant's status reply carries.
struct LaidOut {
  bool wheel[kWheels] = {};
  bool shutter[2] = {};
};

LaidOut DevicesLaidOut(int32_t variant) {
  LaidOut laidOut;
  for (const StatusField& field : StatusLayoutOf(variant).fields) {
    if (field.kind == FieldKind::kWheel) laidOut.wheel[field.wheel] = true;
    if (field.kind == FieldKind::kMode) laidOut.shutter[field.shutter == Shutter::kA ? 0 : 1] = true;
  }
  return laidOut;
}

// A list cut to its not-connected entry alone belongs to a device reported
// not connected.
bool ShownConnected(ComboBox* TessaroController::*list, HeadlessWindow& window) {
  const auto* box = static_cast<const HeadlessComboBox*>(window.controller.*list);
  return !box->hidden && box->numberOfItems() > 1;
}

// The words of one key, or none.
std::string KeyWords(const SetKey& key, HeadlessWindow& window, const LaidOut& laidOut,
                     const std::optional<MonoSettings>& mono) {
  const std::string name = key.key;
  switch (key.kind) {
    case KeyKind::kFilter:
    case KeyKind::kSpeed:
      if (!laidOut.wheel[key.device] || !ShownConnected(kFilters[key.device], window)) return {};
      break;
    case KeyKind::kShutterState:
    case KeyKind::kShutterMode:
      if (!laidOut.shutter[key.device] || !ShownConnected(kModes[key.device], window)) return {};
      break;
    case KeyKind::kShutterSteps: {
      const bool nd = laidOut.shutter[key.device] && ShownConnected(kModes[key.device], window) &&
                      (window.controller.*kModes[key.device])->indexOfSelectedItem() == 2;
      return nd ? name + "=" + std::to_string((window.controller.*kSteps[key.device])->intValue()) : std::string();
    }
    case KeyKind::kTimer:
      return {};  // with each time below
    case KeyKind::kTime:
      if (!mono) return {};
      return "timer=closed time=" + *MonoReported(key, *mono, 0) + " timer=exposure time=" +
             *MonoReported(key, *mono, 1);
    default: {
      if (!mono) return {};
      const std::optional<std::string> value = MonoReported(key, *mono, 0);
      return value ? name + "=" + *value : std::string();
    }
  }
  return name + "=" + ValueText(key, (window.controller.*ReportedList(key))->indexOfSelectedItem());
}

}  // namespace

std::string ReportedWords(HeadlessWindow& window, std::span<const unsigned char> statusReply) {
  const LaidOut laidOut = DevicesLaidOut(itype);
  const std::optional<MonoSettings> mono =
      itype == kMono && !statusReply.empty() ? DecodeMonoSettings(statusReply) : std::nullopt;
  std::string words;
  for (const SetKey& key : SetKeys()) {
    const std::string these = KeyWords(key, window, laidOut, mono);
    if (!these.empty()) words += (words.empty() ? "" : " ") + these;
  }
  return words;
}

std::string UnverifiableKeys(const std::vector<SettingCycle>& cycles) {
  bool timeSet = false;
  for (const SettingCycle& cycle : cycles) {
    for (const Setting& s : cycle.settings) timeSet = timeSet || s.key->kind == KeyKind::kTime;
  }
  std::string keys;
  for (const SettingCycle& cycle : cycles) {
    for (const Setting& s : cycle.settings) {
      // The reply holds both times and no choice between them: a timer is
      // seen only in the time that is set after it.
      if (s.key->kind != KeyKind::kTimer || timeSet || keys.find(s.key->key) != std::string::npos) continue;
      keys += std::string(keys.empty() ? "" : ", ") + s.key->key;
    }
  }
  return keys;
}

std::string ValueText(const SetKey& key, int value) {
  for (const ValueName& name : ValueNamesOf(key.kind)) {
    if (name.value == value) return name.name;
  }
  return std::to_string(value);
}

std::string RepeatText(int repeat) { return repeat > kMaxRepeatCount ? kContinuousValue : std::to_string(repeat); }
