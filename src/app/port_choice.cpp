#include "port_choice.h"

#include <QComboBox>
#include <QAbstractItemView>
#include <QLineEdit>
#include <QSignalBlocker>

PortChoice::PortChoice(QComboBox& choice, QLineEdit& pathField, Lister lister)
    : choice_(choice), pathField_(pathField), lister_(std::move(lister)) {
  connect(&choice_, &QComboBox::activated, this, &PortChoice::pick);
  connect(&timer_, &QTimer::timeout, this, &PortChoice::refresh);
  timer_.start(kPortListInterval);
  // Listing the system's ports takes a while; the window shows first.
  QTimer::singleShot(0, this, &PortChoice::refresh);
}

std::string PortEntryText(const ListedPort& port) {
  return port.service.calloutDevice.value_or("(no device path)") + "  —  " + PortKindText(port);
}

void PortChoice::refresh() {
  // The entries do not move under an operator who is looking through them.
  if (choice_.view()->isVisible()) return;
  std::vector<std::string> entries;
  std::vector<std::string> paths;
  for (const ListedPort& port : lister_()) {
    if (!port.service.calloutDevice) continue;
    entries.push_back(PortEntryText(port));
    paths.push_back(*port.service.calloutDevice);
  }
  if (entries == entries_) return;
  entries_ = entries;
  // Rebuilding the entries is no pick by the operator; the entry shown stays
  // when its port is still there.
  const QString shown = choice_.currentData().toString();
  const QSignalBlocker quiet(choice_);
  choice_.clear();
  for (std::size_t i = 0; i < entries.size(); ++i) {
    choice_.addItem(QString::fromStdString(entries[i]), QString::fromStdString(paths[i]));
  }
  choice_.setCurrentIndex(shown.isEmpty() ? -1 : choice_.findData(shown));
}

void PortChoice::pick(int index) {
  const QString path = choice_.itemData(index).toString();
  if (!path.isEmpty()) pathField_.setText(path);
}
