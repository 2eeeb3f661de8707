#include "ctl_messages.h"

#include <cerrno>
#include <chrono>
#include <cstdio>

#include "diagnostics.h"
#include "line_timing.h"
#include "network_address.h"
#include "open_failure.h"
#include "port_holder.h"
#include "serial_state.h"

namespace {

constexpr char kEraseLine[] = "\r\033[K";

bool progressKept = false;

constexpr char kOtherPort[] = "name the controller's port with --port (korvel-ctl ports lists the serial ports)";

std::string HeldWords(const std::string& path) {
  const std::string holder = PortHolder(path);
  if (holder.empty()) return "another program holds the port; end it, or " + std::string(kOtherPort) + ".";
  return holder + " holds the port; end it, or " + std::string(kOtherPort) + ".";
}

}  // namespace

void Tell(const std::string& text) {
  if (text.empty()) return;
  if (progressKept) std::fputs(kEraseLine, stderr);
  std::fputs(text.c_str(), stderr);
}

void KeepProgressLine(bool kept) {
  progressKept = kept;
  SetDiagnosticLineStart(kept ? kEraseLine : "");
}

std::string OpenFailureWords(const std::string& path, const PortHealth& health) {
  if (IsNetworkAddress(path)) {
    const bool held = health.failedStep == OpenStep::kNegotiating && health.failedError == EBUSY;
    return NetworkOpenFailure(health) + (held ? "; end it, or name another port with --port." : "; check the address and the server.");
  }
  switch (health.failedError) {
    case ENOENT:
    case ENODEV:
    case ENXIO:
      return "no such device; check that the controller's adapter is plugged in, or " + std::string(kOtherPort) + ".";
    case EBUSY:
      return HeldWords(path);
    case ENOTTY:
      return "this is no serial port; " + std::string(kOtherPort) + ".";
    default:
      // Permission advice and a failed step hold no window words.
      return OpenFailureReason(path, health);
  }
}

std::string NoReplyWords() {
  const auto seconds = std::chrono::duration<double>(kFirstByteTimeout).count();
  char text[256];
  std::snprintf(text, sizeof text,
                "no reply within %g s: the controller may be switched off, not on line, on another port, or set to "
                "another baud rate than 300\n",
                seconds);
  return text;
}
