// Finding the controller's serial port among the system's serial ports.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

using kern_return_t = int32_t;
using CFIndex = int32_t;
inline constexpr kern_return_t kSearchFound = 0;
inline constexpr kern_return_t kSearchNotFound = 5;

// One serial port as the system lists it: its terminal device name and the
// path that is opened. Either may be missing.
struct SerialService {
  std::optional<std::string> ttyDevice;
  std::optional<std::string> calloutDevice;
};

// The serial ports in the order a search visits them.
struct ModemIterator {
  std::vector<SerialService> services;
  std::size_t next = 0;
};

// Where a port comes from; a search visits the groups in this order, since the
// controller is attached through a USB serial adapter and on-board ports
// often have nothing attached.
enum class PortGroup { kUsbAdapter, kEmulatedController, kOther };

struct ListedPort {
  PortGroup group;
  SerialService service;
  // A USB adapter's maker, product and serial number as the system reports
  // them; empty when it reports none.
  std::string maker;
  std::string product;
  std::string serialNumber;
};

// What the port is, as the window's port list and korvel-ctl's ports show it:
// "USB serial adapter: <maker> <product>, serial number <n>" (the parts the
// system reports), "emulated controller" or "serial port".
std::string PortKindText(const ListedPort& port);

// The ports group by group, each group in order of path.
std::vector<SerialService> ArrangeServices(std::vector<ListedPort> ports);

// The system's serial ports and the running emulators, in search order.
std::vector<ListedPort> ListPorts();

// Fills the iterator with the system's serial ports and the running emulators.
kern_return_t FindModems(ModemIterator* matchingServices);

// Visits the services until one has a terminal device name; its callout path
// goes into bsdPath (at most maxPathSize bytes with the NUL), and each visited
// service prints its "BSD path" line. kSearchFound or kSearchNotFound.
kern_return_t GetModemPath(ModemIterator& serialPortIterator, char* bsdPath, CFIndex maxPathSize);

// FindModems, then GetModemPath into the process-wide bsdPath.
int SearchPort();
