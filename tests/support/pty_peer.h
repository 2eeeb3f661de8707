// The far end of a real pseudo-terminal, played by a test: the console opens
// the slave side as its serial port, the test reads and writes the master.
#pragma once

#include <termios.h>

#include <chrono>
#include <cstddef>
#include <cstdint>
#include <string>
#include <thread>
#include <vector>

using Bytes = std::vector<unsigned char>;

class PtyPeer {
 public:
  // The slave's line settings at the start: raw, or as the system sets up any
  // new terminal (canonical input, echo, newline translation).
  enum class Start { kRaw, kSystemDefaults };

  explicit PtyPeer(Start start = Start::kRaw);
  ~PtyPeer();
  PtyPeer(const PtyPeer&) = delete;
  PtyPeer& operator=(const PtyPeer&) = delete;

  const std::string& path() const { return path_; }
  // A descriptor of the slave side that the peer keeps open, for reading and
  // setting the device's attributes as another program would see them.
  int slave() const { return slave_; }
  // The slave's line settings as they stand now.
  termios settings() const;

  // Reads up to count bytes the console sent, waiting at most timeout.
  Bytes receive(std::size_t count, std::chrono::milliseconds timeout = std::chrono::milliseconds(2000));
  // The bytes the console has sent that nobody has read yet, without waiting.
  Bytes pending();
  // Sends bytes, one every pacing when pacing is not zero.
  void send(const Bytes& bytes, std::chrono::microseconds pacing = {});
  // Closes the master side: the console sees the adapter unplugged.
  void hangUp();

 private:
  [[noreturn]] void fail(const char* what);
  bool readSome(Bytes& into, std::size_t room, int waitMilliseconds);

  int master_ = -1;
  int slave_ = -1;
  std::string path_;
};

// Plays the controller for one command, on a thread of its own: reads the
// command's bytes, then writes the reply. Gives up when the command has not
// arrived within kPlayerDeadline.
class CannedReply {
 public:
  CannedReply(PtyPeer& peer, std::size_t commandLength, Bytes reply);
  ~CannedReply();
  CannedReply(const CannedReply&) = delete;
  CannedReply& operator=(const CannedReply&) = delete;

  // The command bytes that arrived; waits for the controller to finish.
  Bytes Received();

 private:
  void Play(PtyPeer& peer, std::size_t commandLength, const Bytes& reply);

  Bytes received_;  // before the player, which fills it
  std::thread player_;
};

// One character at 300 baud.
inline constexpr std::chrono::microseconds kByteAt300{33334};
inline constexpr std::chrono::seconds kPlayerDeadline{3};
