#include "emulator_announcements.h"

#include <signal.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <cstdlib>
#include <filesystem>
#include <fstream>

namespace fs = std::filesystem;

namespace {

// File names are "<pid>-<sequence>", so that one process may run several.
bool OwnerIsRunning(const fs::path& file) {
  const std::string name = file.filename().string();
  char* end = nullptr;
  const long pid = std::strtol(name.c_str(), &end, 10);
  if (end == name.c_str() || *end != '-' || pid <= 0) return false;
  return kill(static_cast<pid_t>(pid), 0) == 0 || errno == EPERM;
}

}  // namespace

std::string EmulatorAnnouncementDir() {
  if (const char* dir = std::getenv("KORVEL_EMULATOR_DIR"); dir && *dir) return dir;
  if (const char* runtime = std::getenv("XDG_RUNTIME_DIR"); runtime && *runtime) {
    return std::string(runtime) + "/korvel-emulators";
  }
  return "/tmp/korvel-emulators-" + std::to_string(getuid());
}

std::string AnnounceEmulator(const std::string& devicePath) {
  static std::atomic<int> sequence{0};
  const fs::path dir = EmulatorAnnouncementDir();
  std::error_code error;
  fs::create_directories(dir, error);
  if (error) return {};
  const fs::path file = dir / (std::to_string(getpid()) + "-" + std::to_string(sequence++));
  std::ofstream out(file, std::ios::trunc);
  out << devicePath << '\n';
  out.close();
  if (!out) {
    fs::remove(file, error);
    return {};
  }
  return file.string();
}

void WithdrawEmulator(const std::string& announcement) {
  if (announcement.empty()) return;
  std::error_code error;
  fs::remove(announcement, error);
}

std::vector<std::string> AnnouncedEmulators() {
  std::vector<std::string> paths;
  std::error_code error;
  for (fs::directory_iterator it(EmulatorAnnouncementDir(), error), end; !error && it != end;
       it.increment(error)) {
    if (!OwnerIsRunning(it->path())) continue;
    std::ifstream in(it->path());
    std::string path;
    if (std::getline(in, path) && !path.empty() && fs::exists(path, error)) paths.push_back(path);
  }
  std::sort(paths.begin(), paths.end());
  return paths;
}
