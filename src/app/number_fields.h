// The window's number fields take only what they can mean, and show the
// range the controller accepts. Out-of-range numbers can still be typed: the
// commands refuse them with their own messages.
#pragma once

#include <QString>

class QLineEdit;
class QWidget;

struct NumberField {
  const char* name;   // the field's outlet
  const char* range;  // shown while the field is empty
  const char* about;  // the tool tip
  bool continuous;    // also takes the word "continuous", in any letter case
};

inline constexpr NumberField kNumberFields[] = {
    {"shutterAsteps", "1–144", "Neutral-density steps of shutter A, 1 to 144", false},
    {"shutterBsteps", "1–144", "Neutral-density steps of shutter B, 1 to 144", false},
    {"repeatNumber", "1–65000 or continuous", "Repeat number: 1 to 65000, or continuous for no end", true},
    {"tHour", "0–4", "Hours, 0 to 4; a time is at most 5 hours in all", false},
    {"tMinute", "0–59", "Minutes, 0 to 59; more carry into the hours", false},
    {"tSecond", "0–59", "Seconds, 0 to 59; more carry into the minutes", false},
    {"tMsecond", "0–999", "Milliseconds, 0 to 999; more carry into the seconds", false},
    {"tTenthmsecond", "0–9", "Tenths of a millisecond, 0 to 9; more carry into the milliseconds", false},
};

// Validators, range texts and tool tips for the fields of kNumberFields
// below window; each field is wide enough for its range text.
void SetUpNumberFields(QWidget& window);
