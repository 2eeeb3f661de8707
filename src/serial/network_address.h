// Port addresses of controllers behind a serial device server:
// "rfc2217://HOST:PORT" (telnet with the COM-PORT-OPTION, which lets the
// console set the server's serial line) and "tcp://HOST:PORT" (bytes passed
// as they are; the server's line must already be 300 baud, 8N1). HOST may be
// a name, an IPv4 address or an IPv6 address in brackets.
#pragma once

#include <optional>
#include <string>

enum class NetworkKind { kRfc2217, kRawTcp };

struct NetworkAddress {
  NetworkKind kind = NetworkKind::kRfc2217;
  std::string host;     // without brackets
  std::string service;  // the port number as written
};

// Whether text names a network port at all (it begins with one of the two
// schemes), whether or not the rest is well formed.
bool IsNetworkAddress(const std::string& text);

// The address, or nothing when text is no well-formed network address.
std::optional<NetworkAddress> ParseNetworkAddress(const std::string& text);
