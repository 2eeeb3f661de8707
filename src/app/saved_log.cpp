#include "saved_log.h"

#include <QSaveFile>

namespace {

std::string Lines(const std::string& text) {
  if (text.empty() || text.back() == '\n') return text;
  return text + '\n';
}

std::string OrNone(const std::string& text, const char* none) { return text.empty() ? none : text; }

}  // namespace

std::string SavedLogText(const SavedLogHeader& header, const std::string& log, const std::string& status) {
  const std::string when = header.when.toString(Qt::ISODate).toStdString();
  return header.programVersion + " log, saved " + when + "\nPort: " + OrNone(header.port, "none open") +
         "\nController: " + OrNone(header.variant, "not known yet (no status reply)") +
         "\nConfiguration: " + OrNone(header.configuration, "not queried") + "\n\nLog\n" + Lines(log) +
         "\nStatus\n" + Lines(status);
}

std::string WriteSavedLog(const QString& path, const SavedLogHeader& header, const std::string& log,
                          const std::string& status) {
  const std::string text = SavedLogText(header, log, status);
  QSaveFile file(path);
  const bool written = file.open(QIODevice::WriteOnly) &&
                       file.write(text.data(), static_cast<qint64>(text.size())) == static_cast<qint64>(text.size()) &&
                       file.commit();
  if (written) return {};
  return "The log could not be saved in " + path.toStdString() + ": " + file.errorString().toStdString() + ".";
}

QString DefaultLogName(const QDateTime& when) {
  return QStringLiteral("korvel-log-") + when.toString(QStringLiteral("yyyy-MM-dd-HHmmss")) + QStringLiteral(".txt");
}
