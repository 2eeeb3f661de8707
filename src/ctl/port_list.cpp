#include "port_list.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <climits>
#include <cstdlib>
#include <cstring>
#include <map>

#include "ctl_request.h"
#include "network_address.h"

namespace {

// A list of 64 ports is a few kilobytes; more is no port list.
constexpr std::size_t kMaxPortsFileBytes = 64 * 1024;

std::string Trimmed(const std::string& text) {
  const std::size_t first = text.find_first_not_of(" \t\r");
  if (first == std::string::npos) return {};
  return text.substr(first, text.find_last_not_of(" \t\r") - first + 1);
}

std::string LineWithoutComment(const std::string& line) {
  const std::string trimmed = Trimmed(line);
  if (trimmed.starts_with('#')) return {};
  std::size_t comment = trimmed.find(" #");
  const std::size_t tab = trimmed.find("\t#");
  if (tab < comment) comment = tab;
  return comment == std::string::npos ? trimmed : Trimmed(trimmed.substr(0, comment));
}

// The file's bytes, from a regular file only: a FIFO or a device named by
// mistake must not hang the run or be read from.
std::string ReadSmallFile(const std::string& path, std::string& text) {
  const int fd = open(path.c_str(), O_RDONLY | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
  if (fd < 0) return std::strerror(errno);
  struct stat info {};
  std::string problem;
  if (fstat(fd, &info) != 0) {
    problem = std::strerror(errno);
  } else if (!S_ISREG(info.st_mode)) {
    problem = "not a regular file";
  } else if (static_cast<std::size_t>(info.st_size) > kMaxPortsFileBytes) {
    problem = "larger than " + std::to_string(kMaxPortsFileBytes / 1024) + " KiB";
  }
  char buffer[4096];
  while (problem.empty()) {
    const ssize_t got = read(fd, buffer, sizeof buffer);
    if (got < 0 && errno == EINTR) continue;
    if (got < 0) problem = std::strerror(errno);
    if (got <= 0) break;
    text.append(buffer, static_cast<std::size_t>(got));
    if (text.size() > kMaxPortsFileBytes) problem = "larger than " + std::to_string(kMaxPortsFileBytes / 1024) + " KiB";
  }
  close(fd);
  return problem;
}

// One spelling per port: a network address by scheme, host and port; a path
// by the device it leads to, when it leads to one.
std::string PortIdentity(const std::string& port) {
  if (const std::optional<NetworkAddress> address = ParseNetworkAddress(port)) {
    return (address->kind == NetworkKind::kRfc2217 ? "rfc2217://[" : "tcp://[") + address->host + "]:" +
           std::to_string(std::atoi(address->service.c_str()));
  }
  char resolved[PATH_MAX];
  if (realpath(port.c_str(), resolved) != nullptr) return resolved;
  return port;
}

}  // namespace

std::string ReadPortsFile(const std::string& path, std::vector<std::string>& ports) {
  std::string text;
  if (const std::string problem = ReadSmallFile(path, text); !problem.empty()) {
    return "cannot read the port list " + path + ": " + problem;
  }
  std::size_t start = 0;
  while (start < text.size()) {
    std::size_t end = text.find('\n', start);
    if (end == std::string::npos) end = text.size();
    if (const std::string port = LineWithoutComment(text.substr(start, end - start)); !port.empty()) {
      ports.push_back(port);
    }
    start = end + 1;
  }
  return {};
}

std::string PortsProblem(const std::vector<std::string>& ports) {
  if (ports.size() > static_cast<std::size_t>(kMaxRackPorts)) {
    return std::to_string(ports.size()) + " ports named; one run takes at most " + std::to_string(kMaxRackPorts);
  }
  std::map<std::string, std::string> named;
  for (const std::string& port : ports) {
    const auto [at, added] = named.emplace(PortIdentity(port), port);
    if (added) continue;
    if (at->second == port) return "the port " + port + " is named twice";
    return "the port " + port + " is named twice (also as " + at->second + ")";
  }
  return {};
}
