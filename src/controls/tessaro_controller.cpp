#include "tessaro_controller.h"

#include <cstring>
#include <string>

#include "port_discovery.h"
#include "port_setup.h"
#include "serial_state.h"

void TessaroController::search(void* /*sender*/) {
  // After a failed search bsdPath is empty, and so is the field.
  SearchPort();
  searchField->setStringValue(std::string(bsdPath, strnlen(bsdPath, kPathSize)));
}

void TessaroController::exit(void* /*sender*/) {
  ClosePort();
  myWindow->close();
  if (endProgram) endProgram();
}
