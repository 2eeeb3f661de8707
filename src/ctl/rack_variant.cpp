#include "rack_variant.h"

#include <QString>

#include "cycle_state.h"
#include "rack_channel.h"

namespace {

bool gVariantSent = false;

}  // namespace

void SendVariantWhenKnown() {
  if (gVariantSent || !InRack() || itype == kUnknown) return;
  SendRackRecord(kRackVariant, QString::fromUtf8(VariantName(itype)));
  gVariantSent = true;
}
