#include "window_edits.h"

#include "device_outlets.h"

namespace {

// The general command list as the layout fills it.
constexpr int32_t kCommandListLength = 24;
// A wheel's positions and speeds, ahead of its not-connected entry.
constexpr int32_t kFilters = kFilterListLength - 1;
constexpr int32_t kSpeeds = kSpeedListLength - 1;

void RemoveItem(ComboBox* list, int32_t index) {
  if (list != nullptr) list->removeItemAtIndex(index);
}

}  // namespace

void SetTitle(Caption* caption, const char* title) {
  if (caption != nullptr) caption->setTitleWithMnemonic(title);
}

void Hide(std::initializer_list<Control*> controls) {
  for (Control* control : controls) {
    if (control != nullptr) control->setHidden(true);
  }
}

void Gray(ComboBox* list) {
  if (list != nullptr) list->setGrayBackground();
}

void Gray(TextField* field) {
  if (field != nullptr) field->setGrayBackground();
}

void MakeReadOnly(TextField* field) {
  if (field != nullptr) field->setEditable(false);
}

void RemoveItems(ComboBox* list, std::initializer_list<int32_t> indices) {
  for (int32_t index : indices) RemoveItem(list, index);
}

void InsertItem(ComboBox* list, const char* text, int32_t index) {
  if (list != nullptr) list->insertItemWithObjectValue(text, index);
}

int32_t ListLength(const ComboBox* list) { return list != nullptr ? list->numberOfItems() : 0; }

// From the highest index down, so that every index still names the item the
// layout put there.
void EmptyWheelLists(TessaroController& window, std::initializer_list<Wheel> wheels) {
  for (int32_t i = kFilters - 1; i >= 0; --i) {
    for (Wheel wheel : wheels) RemoveItem(window.*OutletsOf(wheel).filterList, i);
    if (i >= kSpeeds) continue;
    for (Wheel wheel : wheels) RemoveItem(window.*OutletsOf(wheel).speedList, i);
  }
  for (Wheel wheel : wheels) Gray(window.*OutletsOf(wheel).filterList);
  for (Wheel wheel : wheels) Gray(window.*OutletsOf(wheel).speedList);
}

void CutCommandList(TessaroController& window, int32_t keep, const char* prompt) {
  for (int32_t i = kCommandListLength - 1; i >= keep; --i) RemoveItem(window.otherCommand, i);
  RemoveItem(window.otherCommand, 0);
  InsertItem(window.otherCommand, prompt, 0);
}

void ClearValues(Capture& capture, std::span<const SettingField> fields) {
  for (SettingField field : fields) capture.setting[field] = 0;
}

void ClearValues(Capture& capture, std::span<const WheelField> fields) {
  for (WheelField field : fields) capture.wheel[field] = 0;
}
