#include "number_fields.h"

#include <QFontMetrics>
#include <QLineEdit>
#include <QRegularExpression>
#include <QRegularExpressionValidator>
#include <QWidget>

namespace {

// Nine digits always fit a 32-bit value; the commands refuse what is too
// large for the controller.
const QString kDigits = QStringLiteral("[0-9]{0,9}");
// The frame and the text margins of a line edit beside its text.
constexpr int kFieldMargin = 16;

QRegularExpression Pattern(const NumberField& field) {
  if (!field.continuous) return QRegularExpression(kDigits);
  return QRegularExpression(kDigits + "|continuous", QRegularExpression::CaseInsensitiveOption);
}

}  // namespace

void SetUpNumberFields(QWidget& window) {
  for (const NumberField& number : kNumberFields) {
    auto* field = window.findChild<QLineEdit*>(number.name);
    if (field == nullptr) continue;
    // A partial match ("cont") is let through while typing.
    field->setValidator(new QRegularExpressionValidator(Pattern(number), field));
    field->setPlaceholderText(QString::fromUtf8(number.range));
    field->setToolTip(QString::fromUtf8(number.about));
    const QFontMetrics metrics(field->font());
    field->setMinimumWidth(metrics.horizontalAdvance(field->placeholderText()) + kFieldMargin);
  }
}
