#include "rack_records.h"

#include <QJsonValue>

#include "rack_channel.h"

namespace {

std::string Text(const QJsonValue& value) { return value.toString().toStdString(); }

QString Key(std::string_view key) { return QString::fromLatin1(key.data(), static_cast<qsizetype>(key.size())); }

}  // namespace

RackRecords::RackRecords(std::vector<std::string> ports, RackProgress& progress, CsvFile* csv)
    : ports_(std::move(ports)), progress_(progress), csv_(csv), told_(ports_.size()) {}

void RackRecords::said(std::size_t controller, const std::string& line) {
  if (controller < ports_.size()) progress_.above(ports_[controller] + ": " + line + "\n");
}

void RackRecords::told(std::size_t controller, const QJsonObject& record) {
  if (controller >= told_.size()) return;
  ControllerTold& t = told_[controller];
  if (const QJsonValue v = record[Key(kRackVariant)]; v.isString()) {
    t.variant = Text(v);
    progress_.variant(controller, t.variant);
  }
  if (const QJsonValue v = record[Key(kRackConfiguration)]; v.isString()) t.configuration = Text(v);
  if (const QJsonValue v = record[Key(kRackProgress)]; v.isObject()) progress_.progress(controller, v.toObject());
  if (const QJsonValue v = record[Key(kRackReport)]; v.isString()) t.report = Text(v);
  if (const QJsonValue v = record[Key(kRackCsv)]; v.isString() && csv_ != nullptr && csv_->writing()) {
    // A file that stopped is said once: it is closed, and rows after go nowhere.
    if (const std::string failure = csv_->writeWithPort(ports_[controller], Text(v)); !failure.empty()) {
      progress_.above("korvel-ctl: " + failure + "\n");
    }
  }
}

void RackRecords::ended(std::size_t controller) { progress_.ended(controller); }

void RackRecords::turned() { progress_.redraw(); }
