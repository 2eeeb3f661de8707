// Change notices from the folders where serial ports and emulator
// announcements come and go, so that the port list is taken again when
// something changed there and never on a clock.
//
// The notices come from inotify: it is the kernel's own, so it works without
// udev or any other daemon, in containers, and on every filesystem these
// folders live on (devtmpfs or tmpfs for /dev, tmpfs or a disk for the
// announcements). A folder that does not exist yet is seen appearing through
// its parent's watch, and watched from then on.
#pragma once

#include <cstdint>
#include <map>
#include <string>
#include <vector>

#include "announcement_dir.h"

struct WatchedFolder {
  std::string path;
  uint32_t events = 0;     // inotify events that count
  bool required = false;   // without a watch here some changes would go unseen
  std::string onlyName;    // when set, only notices about this entry count
};

// /dev (adapters' nodes), /dev/serial and /dev/serial/by-id (their links,
// made once udev knows the adapter's maker), the announcement directory and
// its parent (the directory made, removed or its permissions changed).
std::vector<WatchedFolder> PortFolders(const std::vector<std::string>& deviceFolders,
                                       const std::string& announcementDir);
std::vector<WatchedFolder> PortFolders();

// A required folder that cannot be watched, and why (an errno).
struct UnwatchedFolder {
  std::string path;
  int error = 0;
};

class FolderWatch {
 public:
  explicit FolderWatch(std::vector<WatchedFolder> folders);

  // Readable when notices wait; -1 when the system offers no notices.
  int fd() const { return fd_.get(); }
  // Reads every notice waiting; true when one counts. Folders that appeared
  // meanwhile are watched from now on.
  bool takeNotices();
  // The required folders without a watch since the last look.
  const std::vector<UnwatchedFolder>& unwatched() const { return unwatched_; }

 private:
  void watchAll();
  bool counts(int wd, uint32_t mask, const char* name) const;

  std::vector<WatchedFolder> folders_;
  OwnedFd fd_;
  // Two folders may be one directory (one watch, the events of both).
  std::map<int, std::vector<std::size_t>> byWatch_;
  std::vector<UnwatchedFolder> unwatched_;
};
