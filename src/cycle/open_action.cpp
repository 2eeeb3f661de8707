// The open action: the port named in the path field is opened and its
// controller put on line; a controller that answers starts identification
// afresh, since it may be another one than before.
#include <cstring>
#include <string>

#include "identify_afresh.h"
#include "port_setup.h"
#include "serial_state.h"
#include "tessaro_controller.h"

namespace {

// The operator may have edited the path the search showed (two adapters, or an
// emulator next to an on-board port); an empty field keeps the search's path.
// A path that does not fit bsdPath with its NUL, or holds a NUL of its own,
// empties bsdPath rather than being cut short, so that no device other than
// the one shown gets opened.
void TakePathFrom(const TextField& field) {
  const std::string path = field.stringValue();
  if (path.empty()) return;
  const bool fits = path.size() < kPathSize && path.find('\0') == std::string::npos;
  const std::size_t length = fits ? path.size() : 0;
  std::memcpy(bsdPath, path.data(), length);
  bsdPath[length] = '\0';
}

}  // namespace

void TessaroController::open(void* /*sender*/) {
  TakePathFrom(*searchField);
  // A failed open leaves no descriptor, and the on-line byte then fails too:
  // the field shows the one outcome that counts.
  OpenPort();
  const bool onLine = InitializeModem(fileDescriptor) != 0;
  // A controller on line may not be the one identified before.
  if (onLine) IdentifyAfresh(*this);
  openField->setStringValue(onLine ? "Port is ready for communication." : "Failed to open the communication port.");
}

