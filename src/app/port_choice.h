// The drop-down beside the path field that offers every port a search finds,
// in search order, each with what it is. It lists the ports again when the
// folders where ports and emulator announcements come and go report a
// change (FolderWatch), a short while after the first notice, since an
// adapter brings several nodes and links at once; also when its pop-up
// opens and after Search. Nothing runs while nothing changes. Picking an
// entry puts its path in the path field, which nothing else here changes.
//
// While an action runs (a command waiting for its reply lets the window
// repaint) the ports are not listed: a notice meanwhile is listed when the
// action has ended.
#pragma once

#include <QObject>
#include <QTimer>

#include <chrono>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "folder_watch.h"
#include "port_discovery.h"

class QComboBox;
class QLineEdit;
class QSocketNotifier;

// From the first notice to the listing: a USB adapter's node, then its links
// once udev has looked at it, come within this; a plug still shows well
// within a second.
inline constexpr std::chrono::milliseconds kPortListSettling{120};
// Where a folder cannot be watched, the ports are listed this often instead.
inline constexpr std::chrono::milliseconds kPortListFallbackInterval{5000};

class PortChoice : public QObject {
 public:
  using Lister = std::function<std::vector<ListedPort>()>;

  PortChoice(QComboBox& choice, QLineEdit& pathField, Lister lister = ListPortsAfresh,
             std::vector<WatchedFolder> folders = PortFolders());
  ~PortChoice() override;

  // Lists the ports now; the entries change only when the list did. Put off
  // while an action runs or the pop-up is open.
  void refresh();
  // An action starts: no listing until release.
  void hold();
  // The action has ended: what was noticed meanwhile is listed now.
  void release();

  // A network address opened in the window: listed after the local ports
  // for the rest of the session (no search ever finds one).
  void remember(const std::string& address);

  // How many times the ports were listed.
  int listings() const { return listings_; }

  // The console's listing: first the announcements of ended emulators go.
  static std::vector<ListedPort> ListPortsAfresh();

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  void pick(int index);
  void takeNotices();
  void list();
  void fallBackWhereUnwatched();

  QComboBox& choice_;
  QLineEdit& pathField_;
  Lister lister_;
  FolderWatch watch_;
  std::unique_ptr<QSocketNotifier> notices_;
  QTimer settling_;
  QTimer fallback_;
  std::vector<std::string> entries_;
  std::vector<std::string> addresses_;  // remembered, in the order opened
  bool held_ = false;
  bool due_ = false;  // a listing was put off
  int listings_ = 0;
};

// "<path>  <what it is>", as the drop-down shows a port.
std::string PortEntryText(const ListedPort& port);
