#include "command_line.h"

#include <charconv>
#include <optional>
#include <string_view>

namespace emulator {

namespace {

constexpr int kMaxBaud = 4'000'000;
constexpr long kMaxDelayMs = 3'600'000;
// USB serial adapters take latency timers from 1 to 255 ms.
constexpr long kMaxLatencyTimerMs = 255;

struct VariantName {
  std::string_view name;
  Variant variant;
};
constexpr VariantName kVariants[] = {
    {"triad", Variant::kTriad},
    {"duo-ws", Variant::kDuoWheelShutter},
    {"duo-ss", Variant::kDuoShutterShutter},
    {"mono", Variant::kMono},
};

struct DeviceName {
  std::string_view name;
  Device device;
};
constexpr DeviceName kDevices[] = {
    {"wheelA", Device::kWheelA},     {"wheelB", Device::kWheelB},     {"wheelC", Device::kWheelC},
    {"shutterA", Device::kShutterA}, {"shutterB", Device::kShutterB},
};

std::optional<long> ParseNumber(std::string_view text, long low, long high) {
  long value = 0;
  const auto [end, status] = std::from_chars(text.data(), text.data() + text.size(), value);
  if (status != std::errc() || end != text.data() + text.size() || value < low || value > high) {
    return std::nullopt;
  }
  return value;
}

// Each returns an error text, empty when the value was good.
using ValueHandler = std::string (*)(std::string_view value, EmulatorOptions& options);

std::string SetVariant(std::string_view value, EmulatorOptions& options) {
  for (const VariantName& entry : kVariants) {
    if (entry.name == value) {
      options.variant = entry.variant;
      return {};
    }
  }
  return "unknown variant '" + std::string(value) + "'";
}

std::string AddNotConnected(std::string_view value, EmulatorOptions& options) {
  for (;;) {
    const std::size_t comma = value.find(',');
    const std::string_view name = value.substr(0, comma);
    bool found = false;
    for (const DeviceName& entry : kDevices) {
      if (entry.name == name) {
        options.notConnected.insert(entry.device);
        found = true;
      }
    }
    if (!found) return "unknown device '" + std::string(name) + "'";
    if (comma == std::string_view::npos) return {};
    value.remove_prefix(comma + 1);
  }
}

std::string SetBaud(std::string_view value, EmulatorOptions& options) {
  const auto baud = ParseNumber(value, 1, kMaxBaud);
  if (!baud) return "--baud needs a rate from 1 to " + std::to_string(kMaxBaud);
  options.baud = static_cast<int>(*baud);
  return {};
}

std::string SetLatency(std::string_view value, EmulatorOptions& options) {
  const auto ms = ParseNumber(value, 0, kMaxDelayMs);
  if (!ms) return "--latency needs milliseconds from 0 to " + std::to_string(kMaxDelayMs);
  options.latency = std::chrono::milliseconds(*ms);
  return {};
}

std::string SetMoveTime(std::string_view value, EmulatorOptions& options) {
  const auto ms = ParseNumber(value, 0, kMaxDelayMs);
  if (!ms) return "--move-time needs milliseconds from 0 to " + std::to_string(kMaxDelayMs);
  options.moveTime = std::chrono::milliseconds(*ms);
  return {};
}

std::string SetLatencyTimer(std::string_view value, EmulatorOptions& options) {
  const auto ms = ParseNumber(value, 1, kMaxLatencyTimerMs);
  if (!ms) return "--latency-timer needs milliseconds from 1 to " + std::to_string(kMaxLatencyTimerMs);
  options.latencyTimer = std::chrono::milliseconds(*ms);
  return {};
}

struct ValueOption {
  std::string_view name;
  ValueHandler handler;
};
constexpr ValueOption kValueOptions[] = {
    {"--variant", SetVariant}, {"--not-connected", AddNotConnected}, {"--baud", SetBaud},
    {"--latency", SetLatency}, {"--move-time", SetMoveTime}, {"--latency-timer", SetLatencyTimer},
};

// Flags: true when `name` was one.
bool ApplyFlag(std::string_view name, CommandLine& line) {
  if (name == "--no-pacing") {
    line.options.baud = 0;
  } else if (name == "--no-announce") {
    line.options.announce = false;
  } else if (name == "--help") {
    line.help = true;
  } else {
    return false;
  }
  return true;
}

std::string_view VariantText(Variant variant) {
  for (const VariantName& entry : kVariants) {
    if (entry.variant == variant) return entry.name;
  }
  return "?";
}

std::string CheckDevices(const EmulatorOptions& options) {
  const ControllerSetup setup{options.variant, {}};
  for (const DeviceName& entry : kDevices) {
    if (options.notConnected.count(entry.device) != 0 && !setup.has(entry.device)) {
      return "the " + std::string(VariantText(options.variant)) + " controller has no " + std::string(entry.name);
    }
  }
  return {};
}

// Consumes the option at arguments[i] (and its value); returns an error text.
std::string ParseOne(const std::vector<std::string>& arguments, std::size_t& i, CommandLine& line) {
  std::string_view argument = arguments[i];
  const std::size_t equals = argument.find('=');
  const std::string_view name = argument.substr(0, equals);
  if (equals == std::string_view::npos && ApplyFlag(name, line)) return {};
  for (const ValueOption& option : kValueOptions) {
    if (option.name != name) continue;
    if (equals != std::string_view::npos) return option.handler(argument.substr(equals + 1), line.options);
    if (i + 1 >= arguments.size()) return std::string(name) + " needs a value";
    return option.handler(arguments[++i], line.options);
  }
  return "unknown option '" + std::string(argument) + "'";
}

}  // namespace

CommandLine ParseCommandLine(const std::vector<std::string>& arguments) {
  CommandLine line;
  for (std::size_t i = 0; i < arguments.size() && line.error.empty(); ++i) {
    line.error = ParseOne(arguments, i, line);
  }
  if (line.error.empty()) line.error = CheckDevices(line.options);
  return line;
}

std::string UsageText() {
  return "Usage: korvel-emulator [options]\n"
         "Serves one emulated controller on a pseudo-terminal until SIGINT, SIGTERM or\n"
         "SIGHUP; prints the device path on standard output.\n"
         "  --variant triad|duo-ws|duo-ss|mono  controller variant (default triad)\n"
         "  --not-connected LIST  devices reported not connected, a comma list of\n"
         "                        wheelA,wheelB,wheelC,shutterA,shutterB\n"
         "  --no-pacing           send every byte at once\n"
         "  --baud N              pace sent bytes at N baud, 10 bits a byte (default 300)\n"
         "  --latency MS          pause before each answer\n"
         "  --move-time MS        pause before closing a command that moved a wheel\n"
         "  --latency-timer MS    hand bytes on as a USB serial adapter does: all that\n"
         "                        crossed the line, every MS (1 to 255) or per 62 bytes\n"
         "  --no-announce         stay out of port searches\n"
         "  --help                show this text\n";
}

}  // namespace emulator
