#include "port_discovery.h"

#include <QSerialPortInfo>
#include <QString>

#include <algorithm>
#include <cstdio>
#include <cstring>

#include "diagnostics.h"
#include "emulator_announcements.h"
#include "serial_state.h"

namespace {

// A terminal device name is read into a buffer of this size.
constexpr std::size_t kNameSize = 128;

// Copies text as ASCII with its NUL into destination, when it fits.
bool CopyAscii(const std::string& text, char* destination, std::size_t size) {
  const bool ascii = std::all_of(text.begin(), text.end(), [](char c) { return static_cast<unsigned char>(c) < 0x80; });
  if (!ascii || text.size() + 1 > size) return false;
  std::memcpy(destination, text.c_str(), text.size() + 1);
  return true;
}

std::optional<std::string> Present(const QString& text) {
  if (text.isEmpty()) return std::nullopt;
  return text.toStdString();
}

bool IsUsbAdapter(const QSerialPortInfo& port) {
  const QString name = port.portName();
  return port.hasVendorIdentifier() || name.startsWith("ttyUSB") || name.startsWith("ttyACM");
}

ListedPort Emulated(const std::string& path) {
  const std::string prefix = "/dev/";
  std::string name = path.rfind(prefix, 0) == 0 ? path.substr(prefix.size()) : path;
  return {PortGroup::kEmulatedController, {name, path}, {}, {}, {}};
}

ListedPort System(const QSerialPortInfo& port) {
  if (!IsUsbAdapter(port)) return {PortGroup::kOther, {Present(port.portName()), Present(port.systemLocation())}, {}, {}, {}};
  return {PortGroup::kUsbAdapter,
          {Present(port.portName()), Present(port.systemLocation())},
          port.manufacturer().simplified().toStdString(),
          port.description().simplified().toStdString(),
          port.serialNumber().simplified().toStdString()};
}

std::string UsbAdapterText(const ListedPort& port) {
  std::string name = port.maker;
  if (!port.product.empty()) name += (name.empty() ? "" : " ") + port.product;
  std::string text = "USB serial adapter";
  if (!name.empty()) text += ": " + name;
  if (!port.serialNumber.empty()) text += (name.empty() ? ": " : ", ") + std::string("serial number ") + port.serialNumber;
  return text;
}

void Arrange(std::vector<ListedPort>& ports) {
  std::stable_sort(ports.begin(), ports.end(), [](const ListedPort& a, const ListedPort& b) {
    if (a.group != b.group) return a.group < b.group;
    return a.service.calloutDevice.value_or("") < b.service.calloutDevice.value_or("");
  });
}

}  // namespace

std::vector<SerialService> ArrangeServices(std::vector<ListedPort> ports) {
  Arrange(ports);
  std::vector<SerialService> services;
  services.reserve(ports.size());
  for (auto& port : ports) services.push_back(std::move(port.service));
  return services;
}

std::string PortKindText(const ListedPort& port) {
  switch (port.group) {
    case PortGroup::kUsbAdapter:
      return UsbAdapterText(port);
    case PortGroup::kEmulatedController:
      return "emulated controller";
    default:
      return "serial port";
  }
}

std::vector<ListedPort> ListPorts() {
  std::vector<ListedPort> ports;
  for (const QSerialPortInfo& port : QSerialPortInfo::availablePorts()) ports.push_back(System(port));
  for (const std::string& path : AnnouncedEmulators()) ports.push_back(Emulated(path));
  Arrange(ports);
  return ports;
}

kern_return_t FindModems(ModemIterator* matchingServices) {
  *matchingServices = ModemIterator{ArrangeServices(ListPorts()), 0};
  return kSearchFound;
}

kern_return_t GetModemPath(ModemIterator& serialPortIterator, char* bsdPath, CFIndex maxPathSize) {
  bsdPath[0] = '\0';
  kern_return_t result = kSearchNotFound;
  const std::size_t pathSize = maxPathSize > 0 ? static_cast<std::size_t>(maxPathSize) : 0;
  auto& services = serialPortIterator.services;
  while (result != kSearchFound && serialPortIterator.next < services.size()) {
    const SerialService& service = services[serialPortIterator.next++];
    char name[kNameSize];
    if (service.ttyDevice && CopyAscii(*service.ttyDevice, name, sizeof name)) result = kSearchFound;
    if (service.calloutDevice && CopyAscii(*service.calloutDevice, bsdPath, pathSize)) {
      PrintProgress("BSD path: %s", bsdPath);
    }
    PrintProgress("\n");
  }
  return result;
}

int SearchPort() {
  ModemIterator serialPortIterator;
  FindModems(&serialPortIterator);
  return GetModemPath(serialPortIterator, bsdPath, static_cast<CFIndex>(kPathSize));
}
