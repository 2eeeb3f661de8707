// The far end of a real pseudo-terminal, played by a test: the console opens
// the slave side as its serial port, the test reads and writes the master.
#pragma once

#include <chrono>
#include <cstdint>
#include <string>
#include <vector>

using Bytes = std::vector<unsigned char>;

class PtyPeer {
 public:
  PtyPeer();
  ~PtyPeer();
  PtyPeer(const PtyPeer&) = delete;
  PtyPeer& operator=(const PtyPeer&) = delete;

  const std::string& path() const { return path_; }
  // A descriptor of the slave side that the peer keeps open, for reading and
  // setting the device's attributes as another program would see them.
  int slave() const { return slave_; }

  // Reads up to count bytes the console sent, waiting at most timeout.
  Bytes receive(std::size_t count, std::chrono::milliseconds timeout = std::chrono::milliseconds(2000));
  // Sends bytes, one every pacing when pacing is not zero.
  void send(const Bytes& bytes, std::chrono::microseconds pacing = {});
  // Closes the master side: the console sees the adapter unplugged.
  void hangUp();

 private:
  int master_ = -1;
  int slave_ = -1;
  std::string path_;
};

// One character at 300 baud.
inline constexpr std::chrono::microseconds kByteAt300{33334};
