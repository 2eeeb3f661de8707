#include "ctl_json.h"

#include <QJsonDocument>
#include <QJsonObject>

#include "status_json.h"

namespace {

const char* GroupName(PortGroup group) {
  switch (group) {
    case PortGroup::kUsbAdapter:
      return "usb-adapter";
    case PortGroup::kEmulatedController:
      return "emulator";
    case PortGroup::kOther:
      break;
  }
  return "serial-port";
}

std::string Line(const QJsonObject& object) {
  return QJsonDocument(object).toJson(QJsonDocument::Compact).toStdString() + "\n";
}

}  // namespace

std::string PortJson(const ListedPort& port, bool picked) {
  const QJsonValue path = port.service.calloutDevice ? QJsonValue(QString::fromStdString(*port.service.calloutDevice))
                                                     : QJsonValue();
  return Line({{"path", path},
               {"kind", QString::fromStdString(PortKindText(port))},
               {"group", GroupName(port.group)},
               {"picked", picked}});
}

std::string ConfigJson(int32_t variant, const std::string& configuration) {
  // The controller's text is ASCII; any other byte is kept as the character
  // of that code rather than dropped.
  return Line({{"variant", VariantName(variant)}, {"configuration", QString::fromLatin1(configuration)}});
}
