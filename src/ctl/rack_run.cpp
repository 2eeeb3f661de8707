#include "rack_run.h"

#include "ctl_messages.h"
#include "setting_tables.h"

int RunRack(const CtlRequest&, int, char**, FILE*) {
  Tell("korvel-ctl: several ports in one run are not ready yet\n");
  return kExitUsage;
}
