#include "ctl_json.h"

#include <QJsonDocument>
#include <QJsonObject>

#include <cmath>

#include "exchange_notes.h"
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

// Seconds as milliseconds to a tenth; null when not seen.
QJsonValue Milliseconds(double seconds) {
  if (seconds < 0) return QJsonValue();
  return std::round(seconds * 10'000) / 10;
}

QJsonObject Timed(QJsonObject object, const CycleResult& cycle) {
  object.insert("echo_ms", Milliseconds(cycle.echoed ? cycle.times.echo : -1));
  object.insert("reply_ms", Milliseconds(cycle.times.reply));
  return object;
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

std::string ConfigJson(int32_t variant, const std::string& configuration, const CycleResult& cycle) {
  // The controller's text is ASCII; any other byte is kept as the character
  // of that code rather than dropped.
  return Line(Timed({{"variant", VariantName(variant)}, {"configuration", QString::fromLatin1(configuration)}}, cycle));
}

std::string CommandJson(const std::string& name, const CycleResult& cycle) {
  const std::string reply = HexList(cycle.reply.data(), static_cast<int>(cycle.reply.size()),
                                    static_cast<int>(cycle.reply.size()));
  return Line(Timed({{"command", QString::fromStdString(name)}, {"reply", QString::fromStdString(reply)}}, cycle));
}

std::string SettingJson(const std::string& setting, const CycleResult& cycle) {
  return Line(Timed({{"setting", QString::fromStdString(setting)},
                     {"result", cycle.outcome == CycleOutcome::kDone ? "pass" : "fail"},
                     {"sent_bytes", cycle.sentBytes},
                     {"reply_bytes", cycle.replyBytes}},
                    cycle));
}

std::string WithTimes(const std::string& objectLine, const CycleResult& cycle) {
  const std::size_t close = objectLine.rfind('}');
  if (close == std::string::npos) return objectLine;
  // The members as QJsonDocument writes them, without their braces.
  std::string members = Line(Timed({}, cycle));
  members = members.substr(1, members.size() - 3);
  return objectLine.substr(0, close) + ", " + members + objectLine.substr(close);
}
