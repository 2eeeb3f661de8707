// The KEY=VALUE words of set: checked before the port is opened, then put into
// the headless window as an operator puts them into the window's controls.
#pragma once

#include <string>
#include <vector>

#include "ctl_tables.h"
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
// each wheel's filter and speed and each shutter's state and mode that the
// cycles set, compared with the last value they set it to. Empty when all
// match, else what differs ("wheelA.filter: reported 0, set 9", joined by
// "; "). Other keys are not in the report as the window shows it.
std::string ReportedMismatches(const std::vector<SettingCycle>& cycles, HeadlessWindow& window);
