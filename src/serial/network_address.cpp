#include "network_address.h"

#include <algorithm>
#include <cctype>

namespace {

struct Scheme {
  const char* prefix;
  NetworkKind kind;
};

constexpr Scheme kSchemes[] = {
    {"rfc2217://", NetworkKind::kRfc2217},
    {"tcp://", NetworkKind::kRawTcp},
};

const Scheme* SchemeOf(const std::string& text) {
  for (const Scheme& scheme : kSchemes) {
    if (text.rfind(scheme.prefix, 0) == 0) return &scheme;
  }
  return nullptr;
}

bool IsPortNumber(const std::string& text) {
  if (text.empty() || text.size() > 5) return false;
  if (!std::all_of(text.begin(), text.end(), [](unsigned char c) { return std::isdigit(c) != 0; })) return false;
  const long number = std::stol(text);
  return number >= 1 && number <= 65535;
}

// A host name holds no spaces, slashes or control characters.
bool IsHostText(const std::string& host) {
  return !host.empty() && std::all_of(host.begin(), host.end(), [](unsigned char c) {
    return std::isgraph(c) != 0 && c != '/' && c != '@' && c != '[' && c != ']';
  });
}

}  // namespace

bool IsNetworkAddress(const std::string& text) { return SchemeOf(text) != nullptr; }

std::optional<NetworkAddress> ParseNetworkAddress(const std::string& text) {
  const Scheme* scheme = SchemeOf(text);
  if (scheme == nullptr) return std::nullopt;
  const std::string rest = text.substr(std::char_traits<char>::length(scheme->prefix));
  const std::size_t colon = rest.rfind(':');
  if (colon == std::string::npos) return std::nullopt;
  std::string host = rest.substr(0, colon);
  const std::string service = rest.substr(colon + 1);
  if (host.size() >= 2 && host.front() == '[' && host.back() == ']') {
    host = host.substr(1, host.size() - 2);
  } else if (host.find(':') != std::string::npos) {
    return std::nullopt;  // an IPv6 address goes in brackets
  }
  if (!IsHostText(host) || !IsPortNumber(service)) return std::nullopt;
  return NetworkAddress{scheme->kind, host, service};
}
