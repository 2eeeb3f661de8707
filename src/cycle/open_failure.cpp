#include "open_failure.h"

#include <grp.h>
#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <vector>

#include "line_timing.h"
#include "network_address.h"

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

struct SettingName {
  LineSetting setting;
  const char* words;
};

constexpr SettingName kSettingNames[] = {
    {LineSetting::kBinary, "binary transmission"},
    {LineSetting::kComPortOption, "the COM-PORT-OPTION of RFC 2217 (is it a plain TCP port? then use tcp://)"},
    {LineSetting::kBaudRate, "the baud rate 300"},
    {LineSetting::kDataSize, "8 data bits"},
    {LineSetting::kParity, "no parity"},
    {LineSetting::kStopSize, "one stop bit"},
    {LineSetting::kFlowControl, "no flow control"},
};

std::string Refused(const PortHealth& health) {
  for (const SettingName& name : kSettingNames) {
    if (name.setting != health.refusedSetting) continue;
    const bool answered = health.refusedSetting >= LineSetting::kBaudRate;
    return std::string("the server did not take ") + name.words +
           (answered ? " (it set " + std::to_string(health.answeredValue) + ")" : std::string());
  }
  return "the server refused the line settings";
}

std::string Seconds(std::chrono::seconds bound) { return std::to_string(bound.count()) + " s"; }

// Windows' and korvel-ctl's advice for a network address that did not open.
std::string NetworkAdvice(const PortHealth& health) {
  if (health.failedStep == OpenStep::kNegotiating && health.failedError == EBUSY) {
    return " End it there, then Open again.";
  }
  return " Check the address and the server, then Open again.";
}

}  // namespace

std::string GoneWords(const std::string& path) {
  return IsNetworkAddress(path) ? "the server closed the connection or it was lost" : "unplugged or switched off";
}

std::string NetworkOpenFailure(const PortHealth& health) {
  const int error = health.failedError;
  const OpenStep step = health.failedStep;
  if (step == OpenStep::kResolving && error == EINVAL) return "no address of the form rfc2217://HOST:PORT or tcp://HOST:PORT";
  if (step == OpenStep::kResolving && error == ENOENT) return "host not found";
  if (step == OpenStep::kResolving && error == EAGAIN) return "host not found (the name service gave no answer)";
  if (error == ETIMEDOUT) return "no answer within " + Seconds(kNetworkOpenTimeout);
  if (step == OpenStep::kConnecting && error == ECONNREFUSED) return "connection refused";
  if (step == OpenStep::kNegotiating && error == EPROTO) return Refused(health);
  if (step == OpenStep::kNegotiating && error == EBUSY) {
    const std::string said = health.serverWords.empty() ? "" : " (the server said \"" + health.serverWords + "\")";
    return "another program holds the port" + said;
  }
  const char* doing = step == OpenStep::kResolving ? "finding the host" : "connecting";
  return std::string(doing) + " failed: " + std::strerror(error);
}

std::string OpenFailureReason(const std::string& path, const PortHealth& health) {
  if (IsNetworkAddress(path)) return NetworkOpenFailure(health) + "." + NetworkAdvice(health);
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
