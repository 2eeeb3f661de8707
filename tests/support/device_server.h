// A serial device server on loopback in front of a controller's device:
// ser2net started with a configuration file of its own (an RFC 2217
// accepter and a plain TCP accepter on free ports), or python3-serial's
// RFC 2217 PortManager run by a small script. Each is stopped and its files
// removed when the object goes.
#pragma once

#include <sys/types.h>

#include <chrono>
#include <string>

// A port on 127.0.0.1 that nothing listens on now.
int FreeLoopbackPort();

// Whether something listens on 127.0.0.1:port (read from /proc/net/tcp).
bool Listening(int port);

class DeviceServer {
 public:
  enum class Kind { kSer2net, kPySerial };

  // Starts the server for device and waits until it listens, at most
  // kServerStartDeadline; ready() tells whether it does.
  DeviceServer(Kind kind, const std::string& device);
  ~DeviceServer();
  DeviceServer(const DeviceServer&) = delete;
  DeviceServer& operator=(const DeviceServer&) = delete;

  bool ready() const { return ready_; }
  // rfc2217://127.0.0.1:PORT, and for ser2net tcp://127.0.0.1:PORT.
  std::string rfc2217() const;
  std::string tcp() const;
  // Ends the server at once: its clients' connections close.
  void stop();

 private:
  std::string dir_;
  pid_t pid_ = -1;
  int rfc2217Port_ = 0;
  int tcpPort_ = 0;
  bool ready_ = false;
};

inline constexpr std::chrono::seconds kServerStartDeadline{15};
