// The controller object: the window's 52 controls (its outlets) and the four
// actions the window triggers on it.
#pragma once

#include <functional>

#include "controls.h"

// The application-level object of the window; it has no state or behaviour.
class TessaroApp {};

class TessaroController {
 public:
  // Outlets, in their declaration order; set by whoever builds the window.
  Caption* controllerTitle = nullptr;
  ComboBox* filterA = nullptr;
  Caption* filterAText = nullptr;
  ComboBox* filterB = nullptr;
  Caption* filterBText = nullptr;
  ComboBox* filterC = nullptr;
  Caption* filterCText = nullptr;
  Caption* freerunText = nullptr;
  Caption* hourText = nullptr;
  Caption* minuteText = nullptr;
  Caption* msecondsText = nullptr;
  Window* myWindow = nullptr;
  TextField* openField = nullptr;
  ComboBox* otherCommand = nullptr;
  TextView* receivedView = nullptr;
  TextField* repeatNumber = nullptr;
  TextField* searchField = nullptr;
  Caption* secondsText = nullptr;
  ComboBox* shutterAmode = nullptr;
  Caption* shutterAmodeText = nullptr;
  ComboBox* shutterAstatus = nullptr;
  Caption* shutterAstatusText = nullptr;
  TextField* shutterAsteps = nullptr;
  Caption* shutterAstepsText = nullptr;
  Caption* shutterAText = nullptr;
  ComboBox* shutterBmode = nullptr;
  Caption* shutterBmodeText = nullptr;
  ComboBox* shutterBstatus = nullptr;
  Caption* shutterBstatusText = nullptr;
  TextField* shutterBsteps = nullptr;
  Caption* shutterBstepsText = nullptr;
  Caption* shutterBText = nullptr;
  ComboBox* speedA = nullptr;
  Caption* speedAText = nullptr;
  ComboBox* speedB = nullptr;
  Caption* speedBText = nullptr;
  ComboBox* speedC = nullptr;
  Caption* speedCText = nullptr;
  TextView* statusView = nullptr;
  Caption* repeatnoText = nullptr;
  Caption* tenthmsText = nullptr;
  TextField* tHour = nullptr;
  Caption* timerText = nullptr;
  ComboBox* timerType = nullptr;
  TextField* tMinute = nullptr;
  TextField* tMsecond = nullptr;
  TextField* tSecond = nullptr;
  TextField* tTenthmsecond = nullptr;
  ::TessaroApp* TessaroApp = nullptr;
  Caption* wheelAText = nullptr;
  Caption* wheelBText = nullptr;
  Caption* wheelCText = nullptr;

  // Ends the program after exit; the desktop window quits its event loop,
  // tests leave it empty.
  std::function<void()> endProgram;

  // The actions. The sender is not used. open (which starts identification
  // afresh) and communicate (the command cycle) sit above the controls and are
  // defined with the cycle (korvel_cycle).
  void search(void* sender = nullptr);
  void open(void* sender = nullptr);
  void exit(void* sender = nullptr);
  void communicate(void* sender = nullptr);
};
