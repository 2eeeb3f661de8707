#include "window_reshaping.h"

#include "window_edits.h"

namespace {

constexpr char kWheelOrShutterPrompt[] = "Go to Wheel or Shutter Selection";
constexpr char kShutterPrompt[] = "Go to Shutter Selection";
constexpr char kMonoPrompt[] = "Go to Repeat Number, Timer or Shutter Selection";

// The general command list keeps entries 1 to 9 on a Triad, 1 to 7 on a Duo.
constexpr int32_t kTriadCommandList = 10;
constexpr int32_t kDuoCommandList = 8;

constexpr SettingField kTimerValues[] = {kRepeatNumber, kTHour,         kTMinute,  kTSecond,
                                         kTMsecond,     kTTenthmsecond, kTimerType};
constexpr SettingField kShutterBValues[] = {kShutterBstatus, kShutterBmode, kShutterBsteps};
constexpr WheelField kWheelBAndCValues[] = {kFilterB, kSpeedB, kFilterC, kSpeedC};
constexpr WheelField kWheelValues[] = {kFilterA, kSpeedA, kFilterB, kSpeedB, kFilterC, kSpeedC};

void TitleSections(TessaroController& w) {
  SetTitle(w.freerunText, "Wheel Selection:");
  SetTitle(w.timerText, "Shutter Selection:");
}

// The timer fields after the timer type, each behind its label.
void HideTimerFields(TessaroController& w) {
  Hide({w.hourText, w.tHour, w.minuteText, w.tMinute, w.secondsText, w.tSecond, w.msecondsText, w.tMsecond,
        w.tenthmsText, w.tTenthmsecond});
}

void HideTimerControls(TessaroController& w) {
  Hide({w.repeatNumber, w.timerType});
  HideTimerFields(w);
}

void ReshapeTriad(Capture& capture, TessaroController& w) {
  CutCommandList(w, kTriadCommandList, kWheelOrShutterPrompt);
  TitleSections(w);
  HideTimerControls(w);
  ClearValues(capture, kTimerValues);
}

void ReshapeDuoWheelShutterByConfiguration(Capture& capture, TessaroController& w) {
  CutCommandList(w, kDuoCommandList, kWheelOrShutterPrompt);
  Hide({w.wheelBText, w.wheelCText, w.filterBText, w.filterCText, w.speedBText, w.speedCText, w.filterB, w.filterC,
        w.speedB, w.speedC, w.shutterBText, w.shutterBstatusText, w.shutterBmodeText, w.shutterBstepsText,
        w.shutterBstatus, w.shutterBmode, w.shutterBsteps});
  ClearValues(capture, kShutterBValues);
  TitleSections(w);
  HideTimerControls(w);
  ClearValues(capture, kTimerValues);
}

// Shutter B stays in view, emptied, grey and read-only.
void ReshapeDuoWheelShutterByStatus(Capture& capture, TessaroController& w) {
  EmptyWheelLists(w, {kWheelB, kWheelC});
  ClearValues(capture, kWheelBAndCValues);
  RemoveItems(w.shutterBstatus, {2, 1, 0});
  RemoveItems(w.shutterBmode, {2, 1, 0});
  Gray(w.shutterBstatus);
  Gray(w.shutterBmode);
  MakeReadOnly(w.shutterBsteps);
  Gray(w.shutterBsteps);
  ClearValues(capture, kShutterBValues);
  CutCommandList(w, kDuoCommandList, kWheelOrShutterPrompt);
  TitleSections(w);
  HideTimerControls(w);
  ClearValues(capture, kTimerValues);
}

void ReshapeDuoShutterShutterByConfiguration(Capture& capture, TessaroController& w) {
  CutCommandList(w, kDuoCommandList, kShutterPrompt);
  EmptyWheelLists(w, {kWheelA, kWheelB, kWheelC});
  ClearValues(capture, kWheelValues);
  TitleSections(w);
  // The section title goes with its timers.
  Hide({w.repeatNumber, w.timerText, w.timerType});
  HideTimerFields(w);
  ClearValues(capture, kTimerValues);
}

// The timer section stays in view under its new title.
void ReshapeDuoShutterShutterByStatus(Capture& capture, TessaroController& w) {
  EmptyWheelLists(w, {kWheelA, kWheelB, kWheelC});
  ClearValues(capture, kWheelValues);
  CutCommandList(w, kDuoCommandList, kShutterPrompt);
  TitleSections(w);
  HideTimerControls(w);
  ClearValues(capture, kTimerValues);
}

void ReshapeMono(Capture& capture, TessaroController& w) {
  SetTitle(w.shutterAText, "Shutter:");
  // Drops the Triad's two compound commands; its own follow the common ones.
  RemoveItems(w.otherCommand, {9, 8, 0});
  InsertItem(w.otherCommand, kMonoPrompt, 0);
  ClearValues(capture, kShutterBValues);
  Hide({w.wheelAText, w.wheelBText, w.wheelCText, w.filterAText, w.filterBText, w.filterCText, w.filterA, w.filterB,
        w.filterC, w.speedAText, w.speedBText, w.speedCText, w.speedA, w.speedB, w.speedC, w.shutterBText,
        w.shutterBstatusText, w.shutterBstatus, w.shutterBmodeText, w.shutterBmode, w.shutterBstepsText,
        w.shutterBsteps});
}

using Reshaping = void (*)(Capture&, TessaroController&);

struct VariantShape {
  Variant variant;
  const char* title;
  Reshaping byConfiguration;
  Reshaping byStatus;
};

constexpr VariantShape kShapes[] = {
    {kDuoWheelShutter, "Korvel Duo Controller - Wheel/Shutter:", ReshapeDuoWheelShutterByConfiguration,
     ReshapeDuoWheelShutterByStatus},
    {kDuoShutterShutter, "Korvel Duo Controller - Shutter/Shutter:", ReshapeDuoShutterShutterByConfiguration,
     ReshapeDuoShutterShutterByStatus},
    {kTriad, "Korvel Triad Controller:", ReshapeTriad, ReshapeTriad},
    {kMono, "Korvel Mono Controller:", ReshapeMono, ReshapeMono},
};

}  // namespace

void ReshapeWindow(Variant variant, IdentifiedBy path, Capture& capture, TessaroController& window) {
  for (const VariantShape& shape : kShapes) {
    if (shape.variant != variant) continue;
    SetTitle(window.controllerTitle, shape.title);
    (path == IdentifiedBy::kConfigurationReply ? shape.byConfiguration : shape.byStatus)(capture, window);
  }
}
