#include "port_choice.h"

#include <QAbstractItemView>
#include <QComboBox>
#include <QEvent>
#include <QKeyEvent>
#include <QLineEdit>
#include <QSignalBlocker>
#include <QSocketNotifier>

#include <algorithm>
#include <cstring>

#include "diagnostics.h"
#include "emulator_announcements.h"

namespace {

// The keys with which QComboBox opens its pop-up.
bool OpensPopup(const QEvent* event) {
  if (event->type() == QEvent::MouseButtonPress) return true;
  if (event->type() != QEvent::KeyPress) return false;
  const auto* key = static_cast<const QKeyEvent*>(event);
  if (key->key() == Qt::Key_F4 || key->key() == Qt::Key_Space) return true;
  return (key->modifiers() & Qt::AltModifier) && (key->key() == Qt::Key_Down || key->key() == Qt::Key_Up);
}

}  // namespace

PortChoice::PortChoice(QComboBox& choice, QLineEdit& pathField, Lister lister, std::vector<WatchedFolder> folders)
    : choice_(choice), pathField_(pathField), lister_(std::move(lister)), watch_(std::move(folders)) {
  connect(&choice_, &QComboBox::activated, this, &PortChoice::pick);
  choice_.installEventFilter(this);
  // The pop-up's frame: when it closes, a listing put off meanwhile is taken.
  choice_.view()->parentWidget()->installEventFilter(this);
  settling_.setSingleShot(true);
  settling_.setInterval(kPortListSettling);
  connect(&settling_, &QTimer::timeout, this, &PortChoice::refresh);
  if (watch_.fd() >= 0) {
    notices_ = std::make_unique<QSocketNotifier>(watch_.fd(), QSocketNotifier::Read);
    connect(notices_.get(), &QSocketNotifier::activated, this, &PortChoice::takeNotices);
  }
  fallback_.setInterval(kPortListFallbackInterval);
  connect(&fallback_, &QTimer::timeout, this, &PortChoice::refresh);
  fallBackWhereUnwatched();
  // Listing the system's ports takes a while; the window shows first.
  QTimer::singleShot(0, this, &PortChoice::refresh);
}

PortChoice::~PortChoice() = default;

std::vector<ListedPort> PortChoice::ListPortsAfresh() {
  RemoveEndedAnnouncements();
  return ListPorts();
}

std::string PortEntryText(const ListedPort& port) {
  return port.service.calloutDevice.value_or("(no device path)") + "  —  " + PortKindText(port);
}

void PortChoice::takeNotices() {
  if (!watch_.takeNotices()) return;
  // Later notices fall within the same listing.
  if (!settling_.isActive()) settling_.start();
  fallBackWhereUnwatched();
}

// Each folder that cannot be watched is told once, and the slow timer runs
// only while one cannot.
void PortChoice::fallBackWhereUnwatched() {
  static std::vector<std::string> told;
  for (const UnwatchedFolder& folder : watch_.unwatched()) {
    if (std::find(told.begin(), told.end(), folder.path) != told.end()) continue;
    told.push_back(folder.path);
    PrintDiagnostic("Cannot watch %s for changes - %s(%d); the list of ports is taken every %lld s.\n",
                    folder.path.c_str(), std::strerror(folder.error), folder.error,
                    static_cast<long long>(kPortListFallbackInterval.count() / 1000));
  }
  if (watch_.unwatched().empty()) {
    fallback_.stop();
  } else if (!fallback_.isActive()) {
    fallback_.start();
  }
}

void PortChoice::remember(const std::string& address) {
  if (std::find(addresses_.begin(), addresses_.end(), address) != addresses_.end()) return;
  addresses_.push_back(address);
  refresh();
}

void PortChoice::hold() { held_ = true; }

void PortChoice::release() {
  held_ = false;
  if (due_) refresh();
}

void PortChoice::refresh() {
  // The entries do not move under an operator who is looking through them,
  // and no listing runs in the middle of an action.
  if (held_ || choice_.view()->isVisible()) {
    due_ = true;
    return;
  }
  due_ = false;
  list();
}

void PortChoice::list() {
  ++listings_;
  std::vector<std::string> entries;
  std::vector<std::string> paths;
  for (const ListedPort& port : lister_()) {
    if (!port.service.calloutDevice) continue;
    entries.push_back(PortEntryText(port));
    paths.push_back(*port.service.calloutDevice);
  }
  for (const std::string& address : addresses_) {
    entries.push_back(address + "  —  network port");
    paths.push_back(address);
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

bool PortChoice::eventFilter(QObject* watched, QEvent* event) {
  if (watched == &choice_ && OpensPopup(event)) {
    refresh();
  } else if (watched != &choice_ && event->type() == QEvent::Hide && due_) {
    // After the pop-up has gone: the entries may change under the list again.
    QTimer::singleShot(0, this, &PortChoice::refresh);
  }
  return QObject::eventFilter(watched, event);
}

void PortChoice::pick(int index) {
  const QString path = choice_.itemData(index).toString();
  if (!path.isEmpty()) pathField_.setText(path);
}
