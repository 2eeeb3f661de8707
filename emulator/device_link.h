// A symbolic link to an emulator's device, at a path the user chose, so that
// a setup that names a fixed port can open the emulator's ever new one.
#pragma once

#include <string>

namespace emulator {

class DeviceLink {
 public:
  DeviceLink() = default;
  ~DeviceLink() { remove(); }
  DeviceLink(const DeviceLink&) = delete;
  DeviceLink& operator=(const DeviceLink&) = delete;

  // Makes `path` a link to `target`. Anything already at `path` stays as it
  // is and makes this fail, with the reason in `problem`.
  bool make(const std::string& path, const std::string& target, std::string& problem);
  // Removes the link, only while it is still the one made (a file the user put
  // in its place stays).
  void remove();

 private:
  std::string path_;
  std::string target_;
};

// Where controller `index` of `count` is linked for --link `base`: the base
// itself for one, "base-1" to "base-N" for several.
std::string LinkPath(const std::string& base, int index, int count);

}  // namespace emulator
