// Who tested what: the user's own words for a run (the controller's serial
// number or name, who ran it, why), given with --label, --operator and
// --note, for the summary, the JSON and the report. Each text is one line:
// a control character (a line end, a tab, an escape) is refused where the
// text is given, so that it can neither split a summary line nor move a
// terminal's cursor.
#pragma once

#include <QJsonObject>

#include <string>

struct RunWho {
  std::string label;  // the controller's serial number or name
  std::string operatorName;
  std::string note;
};

// "label: …", "operator: …", "note: …", a line each for those given.
std::string WhoLines(const RunWho& who);

// object with the keys label, operator and note: null when not given.
QJsonObject WithWho(QJsonObject object, const RunWho& who);

// True when text (UTF-8) holds a control character: C0, DEL or C1.
bool HoldsControlCharacter(const std::string& text);
