#include "port_holder.h"

#include <dirent.h>
#include <fcntl.h>
#include <limits.h>
#include <sys/stat.h>
#include <unistd.h>

#include <sys/sysmacros.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>

namespace {

// The scan stops after this many processes and this many descriptors of each:
// a machine with more is no test bench, and a message waits for no scan.
constexpr int kMostProcesses = 32768;
constexpr int kMostDescriptors = 4096;
constexpr int kMostLocks = 65536;
// A program's name in /proc/PID/comm is at most 15 characters and a line end.
constexpr std::size_t kCommRoom = 32;

struct DirCloser {
  void operator()(DIR* dir) const { closedir(dir); }
};
using Dir = std::unique_ptr<DIR, DirCloser>;

bool IsNumber(const char* name) {
  if (*name == '\0') return false;
  for (const char* c = name; *c != '\0'; ++c) {
    if (*c < '0' || *c > '9') return false;
  }
  return true;
}

// The descriptor links are read as text, never followed: a link names the
// file the descriptor holds, whatever that file is now.
bool HoldsPath(const std::string& process, const std::string& path) {
  const Dir fds(opendir(("/proc/" + process + "/fd").c_str()));
  if (!fds) return false;
  int seen = 0;
  while (const dirent* entry = readdir(fds.get())) {
    if (!IsNumber(entry->d_name)) continue;
    if (++seen > kMostDescriptors) return false;
    char target[PATH_MAX];
    const ssize_t length = readlinkat(dirfd(fds.get()), entry->d_name, target, sizeof target);
    if (length > 0 && static_cast<std::size_t>(length) < sizeof target &&
        path.compare(0, std::string::npos, target, static_cast<std::size_t>(length)) == 0) {
      return true;
    }
  }
  return false;
}

std::string ProgramName(const std::string& process) {
  const int fd = open(("/proc/" + process + "/comm").c_str(), O_RDONLY | O_CLOEXEC | O_NOFOLLOW);
  if (fd < 0) return "a program";
  char name[kCommRoom];
  const ssize_t length = read(fd, name, sizeof name - 1);
  close(fd);
  if (length <= 0) return "a program";
  std::string text(name, static_cast<std::size_t>(length));
  if (text.back() == '\n') text.pop_back();
  return text.empty() ? "a program" : text;
}

// The process whose advisory lock holds the device: korvel-ctl and the
// console take one when they open a port. /proc/locks names a lock's file
// by its filesystem's device numbers and inode, e.g.
// "1: FLOCK  ADVISORY  WRITE 4242 00:05:7 0 EOF".
std::string LockHolder(const struct stat& device) {
  FILE* locks = std::fopen("/proc/locks", "re");
  if (locks == nullptr) return {};
  std::string holder;
  char line[256];
  for (int read = 0; holder.empty() && read < kMostLocks && std::fgets(line, sizeof line, locks) != nullptr; ++read) {
    unsigned long pid = 0;
    unsigned major = 0;
    unsigned minor = 0;
    unsigned long long inode = 0;
    const char* id = std::strchr(line, ':');
    if (id == nullptr || std::sscanf(id + 1, "%*s %*s %*s %lu %x:%x:%llu", &pid, &major, &minor, &inode) != 4) continue;
    if (inode == device.st_ino && major == major(device.st_dev) && minor == minor(device.st_dev)) {
      holder = std::to_string(pid);
    }
  }
  std::fclose(locks);
  return holder;
}

bool IsOwn(const Dir& proc, const char* process) {
  struct stat owner {};
  return fstatat(dirfd(proc.get()), process, &owner, AT_SYMLINK_NOFOLLOW) == 0 && owner.st_uid == geteuid();
}

}  // namespace

std::string PortHolder(const std::string& path) {
  // The descriptor links name the device by its real path, not by a link
  // such as /dev/serial/by-id/… that the user may have given.
  char real[PATH_MAX];
  if (realpath(path.c_str(), real) == nullptr) return {};
  struct stat device {};
  if (stat(real, &device) != 0) return {};
  const Dir proc(opendir("/proc"));
  if (!proc) return {};
  if (const std::string locker = LockHolder(device); !locker.empty() && IsOwn(proc, locker.c_str())) {
    return ProgramName(locker) + " (process " + locker + ")";
  }
  const std::string self = std::to_string(getpid());
  int seen = 0;
  while (const dirent* entry = readdir(proc.get())) {
    if (!IsNumber(entry->d_name) || self == entry->d_name) continue;
    if (++seen > kMostProcesses) return {};
    if (!IsOwn(proc, entry->d_name) || !HoldsPath(entry->d_name, real)) continue;
    return ProgramName(entry->d_name) + " (process " + entry->d_name + ")";
  }
  return {};
}
