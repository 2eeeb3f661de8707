// Changes that identification and the status report make to the window. A
// control the window lacks (a null outlet) is passed over.
#pragma once

#include <initializer_list>
#include <span>

#include "byte_forms.h"
#include "cycle_state.h"
#include "tessaro_controller.h"

void SetTitle(Caption* caption, const char* title);
void Hide(std::initializer_list<Control*> controls);
void Gray(ComboBox* list);
void Gray(TextField* field);
void MakeReadOnly(TextField* field);
// Removes the items at the indices, one at a time, in the order given.
void RemoveItems(ComboBox* list, std::initializer_list<int32_t> indices);
void InsertItem(ComboBox* list, const char* text, int32_t index);
// A missing list counts as empty.
int32_t ListLength(const ComboBox* list);

// Leaves each filter and speed list of the wheels with its not-connected
// entry alone, at index 0, and greys the lists.
void EmptyWheelLists(TessaroController& window, std::initializer_list<Wheel> wheels);

// Removes the general command list's items from its end down to index
// `keep`, then its item 0, and puts the prompt in its place.
void CutCommandList(TessaroController& window, int32_t keep, const char* prompt);

void ClearValues(Capture& capture, std::span<const SettingField> fields);
void ClearValues(Capture& capture, std::span<const WheelField> fields);
