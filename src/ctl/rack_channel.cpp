#include "rack_channel.h"

#include <QJsonDocument>
#include <QJsonObject>

#include <cstdio>

#include "write_all.h"

namespace {

int gRackFd = -1;

}  // namespace

void OpenRackChannel(int fd) { gRackFd = fd; }

bool InRack() { return gRackFd >= 0; }

void SendRackRecord(std::string_view key, const QJsonValue& value) {
  if (gRackFd < 0) return;
  QJsonObject record;
  record.insert(QLatin1StringView(key.data(), static_cast<qsizetype>(key.size())), value);
  QByteArray line = QJsonDocument(record).toJson(QJsonDocument::Compact);
  line.append('\n');
  if (WriteAll(gRackFd, std::string(line.constData(), static_cast<std::size_t>(line.size()))) != 0) {
    std::fputs("korvel-ctl: the rack run's parent stopped listening\n", stderr);
    gRackFd = -1;
  }
}
