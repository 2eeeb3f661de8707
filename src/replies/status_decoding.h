// One status reply on its way into the report, the captured values and the
// window's lists.
#pragma once

#include "cycle_state.h"
#include "status_bytes.h"
#include "status_layouts.h"
#include "tessaro_controller.h"

struct StatusDecoding {
  StatusBytes reply;
  Cycle& cycle;
  TessaroController& window;
  // 1 once a step count has moved the later fields one byte on.
  int shift = 0;

  int positionOf(const StatusField& field) const { return field.position + shift; }
};

enum class FieldOutcome {
  kDecoded,
  kNotReceived,  // the reply ended before the field; nothing was changed
  kLast,         // the report ends with this field
};
