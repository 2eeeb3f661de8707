// A pseudo-terminal standing in for the serial line: the console opens the
// slave side as its port, and the test plays the controller on the master side.
#pragma once

#include <chrono>
#include <cstddef>
#include <string>
#include <thread>
#include <vector>

using Bytes = std::vector<unsigned char>;

class PtyLine {
 public:
  PtyLine();  // fails the current test when no pair could be opened
  ~PtyLine();
  PtyLine(const PtyLine&) = delete;
  PtyLine& operator=(const PtyLine&) = delete;

  int master() const { return master_; }
  const std::string& slavePath() const { return slavePath_; }

  // The bytes the console has written that nobody has read yet.
  Bytes Pending() const;

 private:
  int master_ = -1;
  std::string slavePath_;
};

// Plays the controller for one command, on a thread of its own: reads the
// command's bytes, then writes the reply. Gives up when the command has not
// arrived within the deadline.
class CannedReply {
 public:
  CannedReply(const PtyLine& line, std::size_t commandLength, Bytes reply);
  ~CannedReply();
  CannedReply(const CannedReply&) = delete;
  CannedReply& operator=(const CannedReply&) = delete;

  // The command bytes that arrived; waits for the controller to finish.
  Bytes Received();

 private:
  void Play(int master, std::size_t commandLength, Bytes reply);

  Bytes received_;  // before the player, which fills it
  std::thread player_;
};

inline constexpr std::chrono::seconds kPlayerDeadline{3};
