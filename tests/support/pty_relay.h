// A pseudo-terminal between a client (korvel-ctl, the console) and a
// controller's device (the emulator's pseudo-terminal, or any other path): the
// client opens path() as its serial port, and a thread of the relay's own
// passes every byte on both ways, records it, and may add bytes to or cut
// bytes from the controller's replies, as a glitching line or a brown-out would.
//
// How the relay tells replies apart: the bytes the client sends after the
// controller last spoke are one command, and the controller's bytes after
// them, up to the client's next command, are that command's reply. A reply is
// named by its command's first byte and by its rank among the replies to
// commands with that first byte: {0xCC, 2} is the reply to the second status
// query (the on-line byte 0xEE is a command as well). Set the hooks before the
// client sends the command they name.
#pragma once

#include <cstddef>
#include <cstdint>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "pty_peer.h"

class PtyRelay {
 public:
  enum class Way { kToController, kToClient };

  // The nth reply (from 1) to a command whose first byte is `command`.
  struct ReplyOf {
    unsigned char command;
    int nth;
  };

  // Opens controllerPath (raw, as the console would) and a new
  // pseudo-terminal for the client, and starts relaying. Throws
  // std::system_error when a device cannot be opened.
  explicit PtyRelay(const std::string& controllerPath);
  // Stops relaying and closes both sides: the client sees its port hang up.
  ~PtyRelay();
  PtyRelay(const PtyRelay&) = delete;
  PtyRelay& operator=(const PtyRelay&) = delete;

  // The device the client opens. Its line starts raw; the client's port setup
  // may change the settings as it likes, the relay does not depend on them.
  const std::string& path() const { return path_; }

  // Gives the client `stray` just before the first byte of that reply (its
  // echo), in the same write.
  void injectBeforeReply(ReplyOf reply, Bytes stray);
  // Passes on only the first `keep` bytes of that reply; the rest of it, up
  // to the client's next command, is dropped.
  void cutReply(ReplyOf reply, std::size_t keep);

  // Every byte that came into the relay going that way, in order, as the
  // sender sent it.
  Bytes heard(Way way) const;
  // Every byte the relay passed on that way, in order: what the receiver got,
  // with the bytes injected and without those cut.
  Bytes passed(Way way) const;

 private:
  struct Rule {
    ReplyOf reply;
    Bytes stray;
    std::size_t keep;  // SIZE_MAX: the whole reply
  };

  void relay();
  bool fromClient(const unsigned char* bytes, std::size_t count);
  bool fromController(const unsigned char* bytes, std::size_t count);
  bool writeAll(int fd, const Bytes& bytes);
  void record(Bytes (&into)[2], Way way, const unsigned char* bytes, std::size_t count);

  int clientMaster_ = -1;
  int clientSlave_ = -1;  // held open, so that the client closing its port is no hang-up here
  int controller_ = -1;
  int stopRead_ = -1;
  int stopWrite_ = -1;
  std::string path_;
  std::thread thread_;

  mutable std::mutex mutex_;  // guards the members below
  std::vector<Rule> rules_;
  Bytes heard_[2];
  Bytes passed_[2];

  // The relay thread's own view of the exchange.
  bool commandOpen_ = false;  // the client spoke since the controller last did
  unsigned char command_ = 0;
  int counts_[256] = {};  // replies begun, per command first byte
  std::size_t replyKeep_ = SIZE_MAX;  // bytes of the current reply passed on
  std::size_t replyBytes_ = 0;        // bytes of the current reply the controller sent
};
