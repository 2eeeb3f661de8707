#include "emulator_announcements.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <map>
#include <mutex>
#include <optional>
#include <string_view>

#include "announcement_dir.h"
#include "diagnostics.h"
#include "serial_state.h"
#include "write_all.h"

namespace {

// An announcement is the device path and a line end; a longer path would not
// fit the console's path buffer anyway.
constexpr off_t kMaxAnnouncementSize = static_cast<off_t>(kPathSize);
// Names are "<pid>-<sequence>"; one left by an ended process of the same pid
// is skipped, a few times at most.
constexpr int kNameAttempts = 8;

// The announcements this process made, by file, with the descriptors that
// hold their locks.
struct Held {
  OwnedFd dir;
  OwnedFd file;
  std::string name;
};
std::mutex heldMutex;
std::map<std::string, Held> held;

// No announcement, and why.
std::string Refuse(std::string* whyNot, std::string reason) {
  if (whyNot != nullptr) *whyNot = std::move(reason);
  return {};
}

std::string SystemError(const std::string& what, int error) { return what + ": " + std::strerror(error); }

// An open file description's write lock: any process may test for it, and only
// one that can open the file (its owner) can hold it. It goes when the process
// ends, however it ends.
bool LockForLife(int fd) {
  struct flock lock {};
  lock.l_type = F_WRLCK;
  lock.l_whence = SEEK_SET;
  return fcntl(fd, F_OFD_SETLK, &lock) == 0;
}

bool HeldByARunningEmulator(int fd) {
  struct flock lock {};
  lock.l_type = F_RDLCK;
  lock.l_whence = SEEK_SET;
  return fcntl(fd, F_OFD_GETLK, &lock) == 0 && lock.l_type != F_UNLCK;
}

// Creates a new announcement file in dir; never opens one that exists or a link.
OwnedFd CreateAnnouncementFile(int dir, std::string& name) {
  static std::atomic<int> sequence{0};
  for (int attempt = 0; attempt < kNameAttempts; ++attempt) {
    name = std::to_string(getpid()) + "-" + std::to_string(sequence++);
    OwnedFd file(openat(dir, name.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0600));
    if (file.valid() || errno != EEXIST) return file;
  }
  return OwnedFd{};
}

// Digits without a leading 0, or a lone 0 where zero is allowed.
bool IsDecimal(std::string_view text, bool zeroAllowed) {
  constexpr std::size_t kMaxDigits = 10;  // a pid or a sequence number fits in 32 bits
  if (text.empty() || text.size() > kMaxDigits) return false;
  if (text.find_first_not_of("0123456789") != std::string_view::npos) return false;
  return text[0] != '0' || (zeroAllowed && text.size() == 1);
}

// "<pid>-<sequence>", as CreateAnnouncementFile names them; no pid is 0.
bool HasAnnouncementName(std::string_view name) {
  const auto dash = name.find('-');
  return dash != std::string_view::npos && IsDecimal(name.substr(0, dash), false) &&
         IsDecimal(name.substr(dash + 1), true);
}

bool IsOwnRegularFile(const struct stat& status) {
  return S_ISREG(status.st_mode) && status.st_uid == geteuid() && status.st_size > 0 &&
         status.st_size <= kMaxAnnouncementSize;
}

bool IsCharacterDevice(const std::string& path) {
  struct stat status {};
  return stat(path.c_str(), &status) == 0 && S_ISCHR(status.st_mode);
}

// The one absolute path line an announcement holds, as AnnounceEmulator
// writes it; nothing when the file says anything else.
std::optional<std::string> AnnouncedPath(int file) {
  char text[kPathSize];
  const ssize_t got = pread(file, text, sizeof text, 0);
  if (got < 2 || text[got - 1] != '\n' || text[0] != '/') return std::nullopt;
  const std::string path(text, static_cast<std::size_t>(got - 1));
  if (path.find_first_of(std::string("\n\0", 2)) != std::string::npos) return std::nullopt;
  return path;
}

enum class Standing { kRunning, kEnded, kUnusable };

// One announcement: a file of this user's own under an announcement's name,
// of a sane size, opened for reading into file, and holding one absolute path
// line; kEnded when nothing holds its lock any more. Anything else in the
// folder, the user's notes under any name, is unusable and never opened. An
// empty file is unusable, never ended: it may be one being made, whose lock
// and text come next.
Standing Examine(int dir, const char* name, OwnedFd& file, std::string& path) {
  if (!HasAnnouncementName(name)) return Standing::kUnusable;
  struct stat status {};
  if (fstatat(dir, name, &status, AT_SYMLINK_NOFOLLOW) != 0 || !IsOwnRegularFile(status)) return Standing::kUnusable;
  file = OwnedFd(openat(dir, name, O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_NOCTTY | O_CLOEXEC));
  if (!file.valid() || fstat(file.get(), &status) != 0 || !IsOwnRegularFile(status)) return Standing::kUnusable;
  std::optional<std::string> announced = AnnouncedPath(file.get());
  if (!announced) return Standing::kUnusable;
  path = std::move(*announced);
  return HeldByARunningEmulator(file.get()) ? Standing::kRunning : Standing::kEnded;
}

// The device path in one announcement whose maker still runs, naming a
// character device.
std::optional<std::string> ReadAnnouncement(int dir, const char* name) {
  OwnedFd file;
  std::string path;
  if (Examine(dir, name, file, path) != Standing::kRunning || !IsCharacterDevice(path)) return std::nullopt;
  return path;
}

// Calls visit with the name of every entry of the directory but the hidden.
template <class Visit>
void ForEachEntry(int dir, Visit visit) {
  // The listing gets a descriptor of its own; dir stays for the reads.
  OwnedFd copy(dup(dir));
  DIR* listing = copy.valid() ? fdopendir(copy.get()) : nullptr;
  if (listing == nullptr) return;
  copy.release();
  while (const dirent* entry = readdir(listing)) {
    if (entry->d_name[0] != '.') visit(entry->d_name);
  }
  closedir(listing);
}

// The refused directory last told, so that it is told once per change of
// its state rather than at every listing.
std::mutex refusalMutex;
std::string refusalTold;

void TellRefusal(const std::string& dirPath, const AnnouncementDir& dir) {
  std::lock_guard lock(refusalMutex);
  const std::string refusal = dir.fd.valid() || dir.missing ? std::string() : dirPath + " - " + dir.problem;
  if (refusal == refusalTold) return;
  refusalTold = refusal;
  if (!refusal.empty()) PrintDiagnostic("Ignoring emulator directory %s.\n", refusal.c_str());
}

}  // namespace

std::string EmulatorAnnouncementDir() {
  if (const char* dir = std::getenv("KORVEL_EMULATOR_DIR"); dir && *dir) return dir;
  if (const char* runtime = std::getenv("XDG_RUNTIME_DIR"); runtime && *runtime) {
    return std::string(runtime) + "/korvel-emulators";
  }
  return "/tmp/korvel-emulators-" + std::to_string(getuid());
}

std::string AnnounceEmulator(const std::string& devicePath, std::string* whyNot) {
  // What the readers take: an absolute path on one line that fits their buffer.
  const std::string line = devicePath + '\n';
  if (devicePath.rfind('/', 0) != 0 || devicePath.find('\n') != std::string::npos ||
      line.size() > static_cast<std::size_t>(kMaxAnnouncementSize)) {
    return Refuse(whyNot, "the device path " + devicePath + " cannot be announced");
  }
  const std::string dirPath = EmulatorAnnouncementDir();
  AnnouncementDir dir = OpenAnnouncementDir(dirPath, true);
  if (!dir.fd.valid()) return Refuse(whyNot, "directory " + dirPath + ": " + dir.problem);
  Held announcement{std::move(dir.fd), OwnedFd{}, {}};
  announcement.file = CreateAnnouncementFile(announcement.dir.get(), announcement.name);
  int error = errno;
  const std::string file = dirPath + "/" + announcement.name;
  if (!announcement.file.valid()) return Refuse(whyNot, SystemError("cannot create " + file, error));
  error = LockForLife(announcement.file.get()) ? WriteAll(announcement.file.get(), line) : errno;
  if (error != 0) {
    static_cast<void>(unlinkat(announcement.dir.get(), announcement.name.c_str(), 0));
    return Refuse(whyNot, SystemError("cannot write " + file, error));
  }
  std::lock_guard lock(heldMutex);
  held.insert_or_assign(file, std::move(announcement));
  return file;
}

void WithdrawEmulator(const std::string& announcement) {
  std::lock_guard lock(heldMutex);
  const auto found = held.find(announcement);
  if (found == held.end()) return;
  // A file that is already gone leaves nothing to do.
  static_cast<void>(unlinkat(found->second.dir.get(), found->second.name.c_str(), 0));
  held.erase(found);
}

std::vector<std::string> AnnouncedEmulators() {
  const std::string dirPath = EmulatorAnnouncementDir();
  const AnnouncementDir dir = OpenAnnouncementDir(dirPath, false);
  TellRefusal(dirPath, dir);
  if (!dir.fd.valid()) return {};
  std::vector<std::string> paths;
  ForEachEntry(dir.fd.get(), [&](const char* name) {
    if (auto path = ReadAnnouncement(dir.fd.get(), name)) paths.push_back(std::move(*path));
  });
  std::sort(paths.begin(), paths.end());
  return paths;
}

void RemoveEndedAnnouncements() {
  // Only a trusted directory: the user's own, that nobody else may write to.
  const AnnouncementDir dir = OpenAnnouncementDir(EmulatorAnnouncementDir(), false);
  if (!dir.fd.valid()) return;
  ForEachEntry(dir.fd.get(), [&](const char* name) {
    OwnedFd file;
    std::string path;
    // unlinkat removes the entry itself and never follows a link, and
    // Examine counts only regular files that read as an announcement. A name
    // is never used twice while its file exists, so no emulator can have
    // taken this one meanwhile.
    if (Examine(dir.fd.get(), name, file, path) == Standing::kEnded) static_cast<void>(unlinkat(dir.fd.get(), name, 0));
  });
}
