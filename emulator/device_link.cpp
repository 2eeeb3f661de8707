#include "device_link.h"

#include <limits.h>
#include <unistd.h>

#include <array>

#include "system_error_text.h"

namespace emulator {

bool DeviceLink::make(const std::string& path, const std::string& target, std::string& problem) {
  remove();
  if (symlink(target.c_str(), path.c_str()) != 0) {
    problem = SystemErrorText("linking " + path + " to " + target);
    return false;
  }
  path_ = path;
  target_ = target;
  return true;
}

void DeviceLink::remove() {
  if (path_.empty()) return;
  std::array<char, PATH_MAX> text{};
  const ssize_t length = readlink(path_.c_str(), text.data(), text.size());
  if (length >= 0 && static_cast<std::size_t>(length) < text.size() &&
      std::string(text.data(), static_cast<std::size_t>(length)) == target_) {
    // Nothing to do when it fails: the link then names a device that is gone.
    (void)unlink(path_.c_str());
  }
  path_.clear();
}

std::string LinkPath(const std::string& base, int index, int count) {
  return count == 1 ? base : base + "-" + std::to_string(index);
}

}  // namespace emulator
