// The drop-down beside the path field that offers every port a search finds,
// in search order, each with what it is. It lists the ports again every
// second, so that adapters and emulators appear and go while the window is
// open; picking an entry puts its path in the path field, which nothing else
// here ever changes.
#pragma once

#include <QObject>
#include <QTimer>

#include <chrono>
#include <functional>
#include <vector>

#include "port_discovery.h"

class QComboBox;
class QLineEdit;

// An adapter plugged in shows within two seconds: one to notice, and a
// listing takes well under the other.
inline constexpr std::chrono::milliseconds kPortListInterval{1000};

class PortChoice : public QObject {
 public:
  using Lister = std::function<std::vector<ListedPort>()>;

  PortChoice(QComboBox& choice, QLineEdit& pathField, Lister lister = ListPorts);

  // Lists the ports now; the entries change only when the list did.
  void refresh();

 private:
  void pick(int index);

  QComboBox& choice_;
  QLineEdit& pathField_;
  Lister lister_;
  QTimer timer_;
  std::vector<std::string> entries_;
};

// "<path>  <what it is>", as the drop-down shows a port.
std::string PortEntryText(const ListedPort& port);
