#include "folder_watch.h"

#include <sys/inotify.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

#include "emulator_announcements.h"

namespace {

// A node or link made, removed or renamed, and the folder itself going.
constexpr uint32_t kEntries = IN_CREATE | IN_DELETE | IN_MOVED_FROM | IN_MOVED_TO | IN_DELETE_SELF | IN_MOVE_SELF;
// An emulator writes its announcement after making the file, and the file is
// closed when the emulator ends, however it ends: its lock goes with it. A
// change of the folder's permissions may make it trusted or refused.
constexpr uint32_t kAnnouncements = kEntries | IN_MODIFY | IN_CLOSE_WRITE | IN_ATTRIB;
// Not IN_MODIFY in /dev: every write to a terminal there would count.
constexpr uint32_t kWatchFlags = IN_ONLYDIR | IN_MASK_ADD;

std::string ParentOf(const std::string& path) {
  const auto slash = path.find_last_of('/');
  if (slash == std::string::npos) return ".";
  return slash == 0 ? "/" : path.substr(0, slash);
}

std::string NameOf(const std::string& path) {
  const auto slash = path.find_last_of('/');
  return slash == std::string::npos ? path : path.substr(slash + 1);
}

}  // namespace

std::vector<WatchedFolder> PortFolders(const std::vector<std::string>& deviceFolders,
                                       const std::string& announcementDir) {
  std::vector<WatchedFolder> folders;
  for (std::size_t i = 0; i < deviceFolders.size(); ++i) {
    // The first is the folder of the nodes; the others appear with the
    // first adapter, through the watch of the one before.
    folders.push_back({deviceFolders[i], kEntries, i == 0, {}});
  }
  // A link in place of the directory is refused, not followed.
  folders.push_back({announcementDir, kAnnouncements | IN_DONT_FOLLOW, false, {}});
  folders.push_back({ParentOf(announcementDir), kEntries | IN_ATTRIB, true, NameOf(announcementDir)});
  return folders;
}

std::vector<WatchedFolder> PortFolders() {
  return PortFolders({"/dev", "/dev/serial", "/dev/serial/by-id"}, EmulatorAnnouncementDir());
}

FolderWatch::FolderWatch(std::vector<WatchedFolder> folders)
    : folders_(std::move(folders)), fd_(inotify_init1(IN_NONBLOCK | IN_CLOEXEC)) {
  if (!fd_.valid()) {
    const int error = errno;
    for (const WatchedFolder& folder : folders_) {
      if (folder.required) unwatched_.push_back({folder.path, error});
    }
    return;
  }
  watchAll();
}

void FolderWatch::watchAll() {
  byWatch_.clear();
  unwatched_.clear();
  for (std::size_t i = 0; i < folders_.size(); ++i) {
    const WatchedFolder& folder = folders_[i];
    // A folder watched already keeps its watch; the events are added.
    const int wd = inotify_add_watch(fd_.get(), folder.path.c_str(), folder.events | kWatchFlags);
    if (wd >= 0) {
      byWatch_[wd].push_back(i);
    } else if (folder.required) {
      unwatched_.push_back({folder.path, errno});
    }
  }
}

bool FolderWatch::counts(int wd, uint32_t mask, const char* name) const {
  // Lost notices, or a folder gone: anything may have changed.
  if (mask & (IN_Q_OVERFLOW | IN_IGNORED)) return true;
  const auto found = byWatch_.find(wd);
  if (found == byWatch_.end()) return true;
  for (const std::size_t i : found->second) {
    const WatchedFolder& folder = folders_[i];
    if ((mask & folder.events) == 0) continue;
    if (folder.onlyName.empty() || folder.onlyName == name) return true;
  }
  return false;
}

bool FolderWatch::takeNotices() {
  if (!fd_.valid()) return false;
  bool counted = false;
  alignas(inotify_event) char buffer[4096];
  for (;;) {
    const ssize_t got = read(fd_.get(), buffer, sizeof buffer);
    if (got < 0 && errno == EINTR) continue;
    // EAGAIN: all read. Any other failure leaves nothing to read either.
    if (got <= 0) break;
    for (ssize_t at = 0; at + static_cast<ssize_t>(sizeof(inotify_event)) <= got;) {
      const auto* event = reinterpret_cast<const inotify_event*>(buffer + at);
      const char* name = event->len > 0 ? event->name : "";
      counted = counts(event->wd, event->mask, name) || counted;
      at += static_cast<ssize_t>(sizeof(inotify_event) + event->len);
    }
  }
  if (counted) watchAll();
  return counted;
}
