#include "identify_afresh.h"

#include "cycle_state.h"
#include "remembered_values.h"

void IdentifyAfresh(TessaroController& window) {
  ResetCycleState();
  window.myWindow->restoreOpeningLayout();
  ShowRememberedValues(window);
}
