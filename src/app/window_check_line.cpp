#include "window_check_line.h"

#include <QComboBox>
#include <QLineEdit>

#include <chrono>

#include "command_cycle.h"
#include "console_session.h"
#include "qt_combo_box.h"
#include "qt_controls.h"
#include "settings.h"
#include "tessaro_controller.h"

namespace {

using C = TessaroController;

// The lists and fields a check sets or reads.
ComboBox* C::*const kLists[] = {&C::filterA,        &C::filterB,        &C::filterC,      &C::speedA,
                                &C::speedB,         &C::speedC,         &C::shutterAmode, &C::shutterAstatus,
                                &C::shutterBmode,   &C::shutterBstatus, &C::timerType,    &C::otherCommand};
TextField* C::*const kFields[] = {&C::repeatNumber, &C::shutterAsteps, &C::shutterBsteps, &C::tHour,
                                  &C::tMinute,      &C::tSecond,       &C::tMsecond,      &C::tTenthmsecond};

void CopyList(const QtComboBox& from, HeadlessComboBox& to) {
  const QComboBox& box = from.box();
  to.items.clear();
  for (int i = 0; i < box.count(); ++i) to.items.push_back(box.itemText(i).toStdString());
  to.selectItemAtIndex(from.indexOfSelectedItem());
  to.text = box.currentText().toStdString();
  to.hidden = box.isHidden();
}

void CopyField(const QtTextField& from, HeadlessTextField& to) {
  const QLineEdit& field = from.field();
  to.text = field.text().toStdString();
  to.editable = !field.isReadOnly();
  to.hidden = field.isHidden();
}

}  // namespace

WindowCheckLine::WindowCheckLine(ConsoleSession& session, TessaroController& controller)
    : session_(session), controller_(controller) {
  fromWindow();
}

void WindowCheckLine::intoWindow() {
  for (ComboBox* C::*list : kLists) {
    const int32_t chosen = (copy_.controller.*list)->indexOfSelectedItem();
    ComboBox& shown = *(controller_.*list);
    if (shown.indexOfSelectedItem() != chosen) shown.selectItemAtIndex(chosen);
  }
  for (TextField* C::*field : kFields) {
    const std::string typed = (copy_.controller.*field)->stringValue();
    TextField& shown = *(controller_.*field);
    if (shown.stringValue() != typed) shown.setStringValue(typed);
  }
}

void WindowCheckLine::fromWindow() {
  for (ComboBox* C::*list : kLists) {
    CopyList(static_cast<const QtComboBox&>(*(controller_.*list)), static_cast<HeadlessComboBox&>(*(copy_.controller.*list)));
  }
  for (TextField* C::*field : kFields) {
    CopyField(static_cast<const QtTextField&>(*(controller_.*field)),
              static_cast<HeadlessTextField&>(*(copy_.controller.*field)));
  }
}

CycleResult WindowCheckLine::send() {
  intoWindow();
  const auto start = std::chrono::steady_clock::now();
  if (!session_.runSend()) {
    CycleResult refused;
    refused.outcome = CycleOutcome::kRefused;
    refused.message = "the window is busy or closing";
    return refused;
  }
  const auto wall = std::chrono::steady_clock::now() - start;
  fromWindow();
  CycleResult result = LastCycleResult(LastCycle());
  result.wall = wall;
  return result;
}

bool WindowCheckLine::pickGeneralCommand(int layoutIndex) { return PickGeneralCommand(copy_.otherCommand, layoutIndex); }
