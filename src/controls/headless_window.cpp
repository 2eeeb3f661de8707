#include "headless_window.h"

#include <algorithm>
#include <stdexcept>

#include "int_value.h"
#include "layout_items.h"

void HeadlessComboBox::choose(int32_t index) {
  if (index < 0 || index >= numberOfItems()) throw std::out_of_range("no item " + std::to_string(index) + " to choose");
  selection_.select(index);
  text = items[static_cast<std::size_t>(index)];
  textSelected = false;
}

void HeadlessComboBox::type(std::string typed) {
  selection_.clear();
  text = std::move(typed);
  textSelected = false;
}

void HeadlessComboBox::selectItemAtIndex(int32_t index) {
  selection_.select(index);
  const int32_t shown = selection_.shownItem(numberOfItems());
  text = shown >= 0 ? items[static_cast<std::size_t>(shown)] : std::string();
  textSelected = false;
}

void HeadlessComboBox::removeItemAtIndex(int32_t index) {
  if (index < 0 || index >= numberOfItems()) return;
  items.erase(items.begin() + index);
}

void HeadlessComboBox::insertItemWithObjectValue(const std::string& itemText, int32_t index) {
  const int32_t at = std::clamp(index, 0, numberOfItems());
  items.insert(items.begin() + at, itemText);
}

void HeadlessComboBox::selectText() {
  textSelected = true;
  if (focus != nullptr) focus->control = this;
}

bool HeadlessTextField::type(std::string typed) {
  if (!editable) return false;
  text = std::move(typed);
  return true;
}

int32_t HeadlessTextField::intValue() const { return ::intValue(text); }

void HeadlessTextView::insertText(const std::string& inserted) {
  if (editable) text += inserted;
}

namespace {

template <std::size_t N>
void Fill(HeadlessComboBox& list, const std::array<const char*, N>& items, KeyboardFocus& focus) {
  list.items.assign(items.begin(), items.end());
  list.selectItemAtIndex(0);
  list.focus = &focus;
}

}  // namespace

void HeadlessWindowFrame::restoreOpeningLayout() { window_.restoreOpeningLayout(); }

void HeadlessWindow::fillLists() {
  Fill(otherCommand, kOtherCommandItems, focus);
  for (HeadlessComboBox* list : {&filterA, &filterB, &filterC}) Fill(*list, kFilterItems, focus);
  for (HeadlessComboBox* list : {&speedA, &speedB, &speedC}) Fill(*list, kSpeedItems, focus);
  for (HeadlessComboBox* list : {&shutterAstatus, &shutterBstatus}) Fill(*list, kShutterStatusItems, focus);
  for (HeadlessComboBox* list : {&shutterAmode, &shutterBmode}) Fill(*list, kShutterModeItems, focus);
  Fill(timerType, kTimerTypeItems, focus);
}

void HeadlessWindow::restoreOpeningLayout() {
  fillLists();
  for (HeadlessComboBox* list : {&otherCommand, &filterA, &filterB, &filterC, &speedA, &speedB, &speedC,
                                 &shutterAstatus, &shutterBstatus, &shutterAmode, &shutterBmode, &timerType}) {
    list->hidden = false;
    list->gray = false;
  }
  for (HeadlessTextField* field : {&openField, &repeatNumber, &searchField, &shutterAsteps, &shutterBsteps, &tHour,
                                   &tMinute, &tMsecond, &tSecond, &tTenthmsecond}) {
    field->hidden = false;
    field->gray = false;
    field->editable = true;
  }
  for (HeadlessCaption* caption :
       {&controllerTitle, &filterAText, &filterBText, &filterCText, &freerunText, &hourText, &minuteText,
        &msecondsText, &secondsText, &shutterAmodeText, &shutterAstatusText, &shutterAstepsText, &shutterAText,
        &shutterBmodeText, &shutterBstatusText, &shutterBstepsText, &shutterBText, &speedAText, &speedBText,
        &speedCText, &repeatnoText, &tenthmsText, &timerText, &wheelAText, &wheelBText, &wheelCText}) {
    caption->title.clear();
    caption->hidden = false;
  }
  receivedView.hidden = false;
  statusView.hidden = false;
}

HeadlessWindow::HeadlessWindow() {
  fillLists();

  TessaroController& c = controller;
  c.controllerTitle = &controllerTitle;
  c.filterA = &filterA;
  c.filterAText = &filterAText;
  c.filterB = &filterB;
  c.filterBText = &filterBText;
  c.filterC = &filterC;
  c.filterCText = &filterCText;
  c.freerunText = &freerunText;
  c.hourText = &hourText;
  c.minuteText = &minuteText;
  c.msecondsText = &msecondsText;
  c.myWindow = &myWindow;
  c.openField = &openField;
  c.otherCommand = &otherCommand;
  c.receivedView = &receivedView;
  c.repeatNumber = &repeatNumber;
  c.searchField = &searchField;
  c.secondsText = &secondsText;
  c.shutterAmode = &shutterAmode;
  c.shutterAmodeText = &shutterAmodeText;
  c.shutterAstatus = &shutterAstatus;
  c.shutterAstatusText = &shutterAstatusText;
  c.shutterAsteps = &shutterAsteps;
  c.shutterAstepsText = &shutterAstepsText;
  c.shutterAText = &shutterAText;
  c.shutterBmode = &shutterBmode;
  c.shutterBmodeText = &shutterBmodeText;
  c.shutterBstatus = &shutterBstatus;
  c.shutterBstatusText = &shutterBstatusText;
  c.shutterBsteps = &shutterBsteps;
  c.shutterBstepsText = &shutterBstepsText;
  c.shutterBText = &shutterBText;
  c.speedA = &speedA;
  c.speedAText = &speedAText;
  c.speedB = &speedB;
  c.speedBText = &speedBText;
  c.speedC = &speedC;
  c.speedCText = &speedCText;
  c.statusView = &statusView;
  c.repeatnoText = &repeatnoText;
  c.tenthmsText = &tenthmsText;
  c.tHour = &tHour;
  c.timerText = &timerText;
  c.timerType = &timerType;
  c.tMinute = &tMinute;
  c.tMsecond = &tMsecond;
  c.tSecond = &tSecond;
  c.tTenthmsecond = &tTenthmsecond;
  c.TessaroApp = &TessaroApp;
  c.wheelAText = &wheelAText;
  c.wheelBText = &wheelBText;
  c.wheelCText = &wheelCText;
}
