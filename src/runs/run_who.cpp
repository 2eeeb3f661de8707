#include "run_who.h"

#include <QJsonValue>
#include <QString>

namespace {

QJsonValue Given(const std::string& text) {
  return text.empty() ? QJsonValue() : QJsonValue(QString::fromStdString(text));
}

}  // namespace

std::string WhoLines(const RunWho& who) {
  std::string lines;
  if (!who.label.empty()) lines += "label: " + who.label + "\n";
  if (!who.operatorName.empty()) lines += "operator: " + who.operatorName + "\n";
  if (!who.note.empty()) lines += "note: " + who.note + "\n";
  return lines;
}

QJsonObject WithWho(QJsonObject object, const RunWho& who) {
  object.insert("label", Given(who.label));
  object.insert("operator", Given(who.operatorName));
  object.insert("note", Given(who.note));
  return object;
}

bool HoldsControlCharacter(const std::string& text) {
  for (std::size_t i = 0; i < text.size(); ++i) {
    const auto c = static_cast<unsigned char>(text[i]);
    if (c < 0x20 || c == 0x7F) return true;
    // U+0080 to U+009F are C2 80 to C2 9F in UTF-8.
    if (c == 0xC2 && i + 1 < text.size()) {
      const auto next = static_cast<unsigned char>(text[i + 1]);
      if (next >= 0x80 && next <= 0x9F) return true;
    }
  }
  return false;
}
