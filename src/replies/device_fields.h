// The status reply's fields for wheels and shutters: each appends its report
// line, writes the captured values and cuts the device's lists to what the
// controller reports.
#pragma once

#include "status_decoding.h"

FieldOutcome DecodeWheel(const StatusField& field, StatusDecoding& d);
FieldOutcome DecodeShutterState(const StatusField& field, StatusDecoding& d);
FieldOutcome DecodeShutterMode(const StatusField& field, StatusDecoding& d);
