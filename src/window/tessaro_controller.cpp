#include "tessaro_controller.h"

#include <cstring>
#include <string>

#include "command_cycle.h"
#include "port_discovery.h"
#include "port_setup.h"
#include "serial_state.h"

void TessaroController::search(void* /*sender*/) {
  // After a failed search bsdPath is empty, and so is the field.
  SearchPort();
  searchField->setStringValue(std::string(bsdPath, strnlen(bsdPath, kPathSize)));
}

void TessaroController::open(void* /*sender*/) {
  // A failed open leaves no descriptor, and the on-line byte then fails too:
  // the field shows the one outcome that counts.
  OpenPort();
  const bool onLine = InitializeModem(fileDescriptor) != 0;
  openField->setStringValue(onLine ? "Port is ready for communication." : "Failed to open the communication port.");
}

void TessaroController::exit(void* /*sender*/) {
  ClosePort();
  myWindow->close();
  if (endProgram) endProgram();
}

void TessaroController::communicate(void* /*sender*/) { RunCommandCycle(*this); }
