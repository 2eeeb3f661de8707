// Helpers shared by the emulator tests.
#pragma once

#include <chrono>
#include <cstdint>
#include <optional>
#include <ostream>
#include <string>
#include <vector>

#include "controller_model.h"
#include "unique_fd.h"

namespace emulator {

using Bytes = std::vector<uint8_t>;

// Everything the model sends for `input`, in the order it sends it: echoes,
// answers and closing bytes.
Bytes Transcript(ControllerModel& model, const Bytes& input);

// Feeds the commands, then returns what the controller sends for CC.
Bytes StatusReplyAfter(const ControllerSetup& setup, const Bytes& commands);

// gtest prints these in failure messages.
void PrintTo(const ControllerState& state, std::ostream* out);

// The console's end of an emulator's device, in raw mode.
class Terminal {
 public:
  explicit Terminal(const std::string& devicePath);
  bool isOpen() const { return fd_.valid(); }
  bool write(const Bytes& bytes);
  // Reads until `count` bytes arrived or `timeout` passed.
  Bytes read(std::size_t count, std::chrono::milliseconds timeout);
  // What one read brings once bytes are waiting; empty after `timeout`.
  Bytes readPiece(std::chrono::milliseconds timeout);

 private:
  UniqueFd fd_;
};

// A client of an emulator served on the network, by address as the
// emulator prints it ("rfc2217://127.0.0.1:40123", "tcp://[::1]:40123"). It
// speaks no telnet: what it writes and reads are the connection's bytes.
class NetworkClient {
 public:
  explicit NetworkClient(const std::string& address);
  bool isOpen() const { return fd_.valid(); }
  bool write(const Bytes& bytes);
  // Reads until `count` bytes arrived, the server closed, or `timeout` passed.
  Bytes read(std::size_t count, std::chrono::milliseconds timeout);
  // True when the server ends the connection within `timeout`: the end of
  // the stream or a reset. Bytes that came before go to `before`.
  bool endsWithin(std::chrono::milliseconds timeout, Bytes* before = nullptr);
  void close() { fd_.reset(); }

 private:
  UniqueFd fd_;
  bool ended_ = false;
};

// Points emulator announcements to a fresh directory for one test.
class ScopedAnnouncementDir {
 public:
  ScopedAnnouncementDir();
  ~ScopedAnnouncementDir();
  ScopedAnnouncementDir(const ScopedAnnouncementDir&) = delete;
  ScopedAnnouncementDir& operator=(const ScopedAnnouncementDir&) = delete;

  const std::string& path() const { return path_; }
  bool isEmpty() const;

 private:
  static constexpr const char* kVariable = "KORVEL_EMULATOR_DIR";
  std::optional<std::string> previous_;
  std::string path_;
};

}  // namespace emulator
