#include "open_failure.h"

#include <grp.h>
#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <vector>

namespace {

// Room for a group or user entry with its strings; entries larger than this
// (groups with very many members) make the advice fall back to the plain text.
constexpr std::size_t kEntryRoom = 16384;

struct StepName {
  OpenStep step;
  const char* doing;
};

constexpr StepName kSteps[] = {
    {OpenStep::kOpening, "opening it"},
    {OpenStep::kLocking, "taking it for this console alone"},
    {OpenStep::kClearingNonBlocking, "making it wait for bytes"},
    {OpenStep::kGettingAttributes, "reading its line settings"},
    {OpenStep::kSettingAttributes, "setting it to 300 baud"},
};

const char* Doing(OpenStep step) {
  for (const StepName& name : kSteps) {
    if (name.step == step) return name.doing;
  }
  return "opening it";
}

std::string GroupName(gid_t gid) {
  std::vector<char> room(kEntryRoom);
  group entry{};
  group* found = nullptr;
  if (getgrgid_r(gid, &entry, room.data(), room.size(), &found) != 0 || found == nullptr) return {};
  return found->gr_name;
}

std::string UserName() {
  std::vector<char> room(kEntryRoom);
  passwd entry{};
  passwd* found = nullptr;
  if (getpwuid_r(geteuid(), &entry, room.data(), room.size(), &found) == 0 && found != nullptr) {
    return found->pw_name;
  }
  const char* user = std::getenv("USER");
  return user != nullptr && *user != '\0' ? user : "$USER";
}

}  // namespace

std::string OpenFailureReason(const std::string& path, const PortHealth& health) {
  switch (health.failedError) {
    case ENOENT:
    case ENODEV:
    case ENXIO:
      return "no such device. Plug the controller in, then Search and Open.";
    case EACCES:
    case EPERM:
      return PermissionAdvice(path);
    case EBUSY:
      return "another program holds the port. End it there, then Open again.";
    case ENOTTY:
      return "this is no serial port. Search, then Open.";
    default:
      return std::string(Doing(health.failedStep)) + " failed: " + std::strerror(health.failedError) + ".";
  }
}

std::string PermissionAdvice(const std::string& path) {
  struct stat device {};
  const std::string denied = "permission denied. ";
  if (stat(path.c_str(), &device) != 0) return denied + "Ask an administrator for access to the port.";
  const std::string group = GroupName(device.st_gid);
  if (group.empty() || device.st_gid == 0) return denied + "Ask an administrator for access to the port.";
  return denied + "The port belongs to the group " + group + ". Join it with: sudo usermod -a -G " + group + " " +
         UserName() + " and then log out and in again.";
}
