// The KEY=VALUE words of set: checked before the port is opened, then put into
// the headless window as an operator puts them into the window's controls.
#pragma once

#include <span>
#include <string>
#include <vector>

#include "setting_tables.h"
#include "headless_window.h"

struct Setting {
  const SetKey* key = nullptr;
  std::string word;  // KEY=VALUE as given
  int value = 0;     // list item, general command entry or number
  std::string text;  // what is typed into a field (steps, repeat)
  int time[5] = {};  // hours, minutes, seconds, milliseconds, tenths
};

// One command cycle: one setting, or a wheel's filter and speed, or a
// shutter's mode and steps, together.
struct SettingCycle {
  std::vector<Setting> settings;
  std::string words() const;
};

// Reads every word; on the first bad one, error names it and the result is empty.
std::vector<SettingCycle> ParseSettings(const std::vector<std::string>& words, std::string& error);

// Picks the general command list's entry whose text the window's list had at
// layoutIndex when it opened (identification cuts the list but keeps the
// texts); false when the list no longer holds it.
bool PickGeneralCommand(HeadlessComboBox& list, int layoutIndex);

// Sets the controls of one cycle as the operator does; an entry of the
// general command list is picked by its text. Returns why the operator could
// not (a hidden control, a read-only field, an entry the list does not hold),
// or the empty text.
std::string ApplySettings(const SettingCycle& cycle, HeadlessWindow& window);

// After a status query, which shows the controller's report in the window:
// a wheel's filter or speed, or a shutter's state, mode or step count, that
// the cycles set, with the last value they set it to and the value the window shows.
// Given the status reply too, the Mono's own settings that the cycles set
// (trigger input and output, free run, repeat number, a timer's time) are
// compared with the reply's, which the window does not show whole.
// Both values are texts as set's words give them ("9", "open", "low",
// "continuous", "1:02:03.4567").
struct ReportedValue {
  const SetKey* key = nullptr;
  std::string set;
  std::string reported;
};
// One for each such key, in the order the cycles first set them. Other keys
// are not in the report as the window shows it.
std::vector<ReportedValue> ReportedValues(const std::vector<SettingCycle>& cycles, HeadlessWindow& window,
                                          std::span<const unsigned char> statusReply = {});

// What ReportedValues says of a key that no value was read back for.
inline constexpr char kNotShown[] = "not shown by the status reply";

// The values of ReportedValues that differ, in their order, then each key
// set that no value was read back for (a timer aside), reported as kNotShown
// with the value set last.
std::vector<ReportedValue> MismatchedValues(const std::vector<SettingCycle>& cycles, HeadlessWindow& window,
                                            std::span<const unsigned char> statusReply = {});

// The values of MismatchedValues as text: empty when all match, else
// "wheelA.filter: reported 0, set 9", joined by "; ". A key set that no
// value was read back for (a timer aside, which the time after it shows) is
// told as "repeat: not shown by the status reply".
std::string ReportedMismatches(const std::vector<SettingCycle>& cycles, HeadlessWindow& window,
                               std::span<const unsigned char> statusReply = {});

// What the last status reply reported, as set's words in the order of set's
// keys: "wheelA.filter=3 wheelA.speed=2 shutterA.state=open shutterA.mode=fast".
// Read as the burn-in's verification reads it: a wheel's and a shutter's
// settings from the window the report was shown in, the Mono's own from the
// reply (a timer as "timer=closed time=…", both timers). A device the
// controller reports not connected, or its variant lacks, has no words; a
// step count only in the neutral density mode. statusReply: the echoed 0xCC
// first, whole.
std::string ReportedWords(HeadlessWindow& window, std::span<const unsigned char> statusReply);

// The keys of the cycles that no status reply can show set, joined by ", ":
// a timer chosen with no time set after it. Empty when every key can be
// verified.
std::string UnverifiableKeys(const std::vector<SettingCycle>& cycles);

// A value of key as set's words give it: "9", "open", "nd".
std::string ValueText(const SetKey& key, int value);

// A repeat number as the key repeat takes it: "continuous" above the
// largest count, else the number.
std::string RepeatText(int repeat);
