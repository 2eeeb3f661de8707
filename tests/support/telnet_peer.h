// A serial device server of the tests' own on loopback, to play what
// ser2net never does: options refused, settings answered late or with
// another value, replies cut by a dropped connection, every byte in its own
// segment, batches, a second client turned away. It speaks RFC 2217's
// server side (or plain TCP) and plays the controller behind it.
#pragma once

#include <atomic>
#include <chrono>
#include <functional>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

using PeerBytes = std::vector<unsigned char>;

class TelnetPeer {
 public:
  struct Behaviour {
    bool telnet = true;
    bool refuseBinary = false;         // WONT and DONT BINARY
    bool refuseComPort = false;        // DONT COM-PORT-OPTION
    std::chrono::milliseconds settingsDelay{0};  // before answering each setting
    uint32_t answeredBaud = 300;       // the baud rate the server says it set
    // How the controller's reply bytes go out: each in its own segment
    // (a segment per byte), or gathered for this long before each batch.
    bool segmentPerByte = false;
    std::chrono::milliseconds batch{0};
    // The connection is closed after dropAfter bytes of the reply to the
    // command dropOn; -1: never.
    unsigned char dropOn = 0;
    int dropAfter = -1;
    bool turnAwaySecond = true;  // a second client gets "Port already in use" and a close
  };

  // The controller's reply to a command's first byte (its echo first).
  using Replies = std::function<PeerBytes(unsigned char command)>;

  TelnetPeer(Behaviour behaviour, Replies replies);
  ~TelnetPeer();
  TelnetPeer(const TelnetPeer&) = delete;
  TelnetPeer& operator=(const TelnetPeer&) = delete;

  std::string address() const;
  // The data bytes the client sent, telnet commands taken out.
  PeerBytes received() const;

 private:
  void serve();
  void serveClient(int client);
  bool sendReply(int client, unsigned char command, const PeerBytes& reply);

  Behaviour behaviour_;
  Replies replies_;
  int listener_ = -1;
  int port_ = 0;
  int stopRead_ = -1;
  int stopWrite_ = -1;
  std::thread thread_;
  mutable std::mutex mutex_;
  PeerBytes received_;
};
