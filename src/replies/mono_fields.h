// The Mono's fields after its shutter mode: trigger input and output, the
// closed and exposure times, free run and repeat number.
#pragma once

#include "status_decoding.h"

// For the FieldKinds from kTtlIn to kRepeatNumber.
FieldOutcome DecodeMonoField(const StatusField& field, StatusDecoding& d);
