#include "line_stream.h"

#include <map>

#include "device_stream.h"

namespace {

std::map<int, std::unique_ptr<LineStream>>& Streams() {
  static std::map<int, std::unique_ptr<LineStream>> streams;
  return streams;
}

}  // namespace

void KeepStream(int fd, std::unique_ptr<LineStream> stream) { Streams()[fd] = std::move(stream); }

void DropStream(int fd) { Streams().erase(fd); }

LineStream& StreamOf(int fd) {
  auto& streams = Streams();
  auto found = streams.find(fd);
  if (found == streams.end()) found = streams.emplace(fd, std::make_unique<DeviceStream>(fd)).first;
  return *found->second;
}

bool IsNetworkLine(int fd) { return fd >= 0 && StreamOf(fd).goneSignal() == GoneSignal::kReadable; }
