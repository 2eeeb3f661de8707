#include "command_line.h"

#include <QCommandLineParser>
#include <QStringList>
#include <algorithm>
#include <charconv>
#include <map>
#include <optional>
#include <string_view>

#include "network_listener.h"

namespace emulator {

namespace {

constexpr int kMaxBaud = 4'000'000;
constexpr long kMaxDelayMs = 3'600'000;
// USB serial adapters take latency timers from 1 to 255 ms.
constexpr long kMaxLatencyTimerMs = 255;
constexpr long kMaxWearPercent = 100;
constexpr long kMaxWearMoves = 1'000'000;
constexpr long kMaxFilter = 9;
constexpr long kMaxSilentAfter = 1'000'000;
// A rack's worth: each controller holds a pseudo-terminal, which every
// terminal window of the machine draws from too, and a serving thread.
constexpr long kMaxCount = 64;

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

std::string SetPositionTime(std::string_view value, EmulatorOptions& options) {
  const auto ms = ParseNumber(value, 0, kMaxDelayMs);
  if (!ms) return "--position-time needs milliseconds from 0 to " + std::to_string(kMaxDelayMs);
  options.positionTime = std::chrono::milliseconds(*ms);
  return {};
}

// WHEEL:PERCENT:N, say wheelA:5:100.
std::string SetWear(std::string_view value, EmulatorOptions& options) {
  const std::string wrong = "--wear needs WHEEL:PERCENT:N, a wheel of wheelA,wheelB,wheelC, a percentage from 1 to " +
                            std::to_string(kMaxWearPercent) + " and a count of moves from 1 to " +
                            std::to_string(kMaxWearMoves);
  const std::size_t first = value.find(':');
  const std::size_t second = first == std::string_view::npos ? first : value.find(':', first + 1);
  if (second == std::string_view::npos) return wrong;
  const std::string_view name = value.substr(0, first);
  const auto percent = ParseNumber(value.substr(first + 1, second - first - 1), 1, kMaxWearPercent);
  const auto moves = ParseNumber(value.substr(second + 1), 1, kMaxWearMoves);
  const DeviceName* wheel = nullptr;
  for (const DeviceName& entry : kDevices) {
    if (entry.name == name && entry.name.starts_with("wheel")) wheel = &entry;
  }
  if (!wheel || !percent || !moves) return wrong;
  options.wear = {wheel->device, static_cast<int>(*percent), static_cast<int>(*moves)};
  return {};
}

// The wheel of a "WHEEL" name; nullptr for any other device or name.
const DeviceName* WheelNamed(std::string_view name) {
  for (const DeviceName& entry : kDevices) {
    if (entry.name == name && entry.name.starts_with("wheel")) return &entry;
  }
  return nullptr;
}

// WHEEL:FILTER, say wheelA:9.
std::string SetStuck(std::string_view value, EmulatorOptions& options) {
  const std::size_t colon = value.find(':');
  const DeviceName* wheel = colon == std::string_view::npos ? nullptr : WheelNamed(value.substr(0, colon));
  const auto filter = colon == std::string_view::npos ? std::nullopt : ParseNumber(value.substr(colon + 1), 0, kMaxFilter);
  if (!wheel || !filter) {
    return "--stuck needs WHEEL:FILTER, a wheel of wheelA,wheelB,wheelC and a filter position from 0 to " +
           std::to_string(kMaxFilter);
  }
  options.stuck = {wheel->device, static_cast<int>(*filter)};
  return {};
}

// SHUTTER:MODE, say shutterB:soft.
std::string SetIgnoredMode(std::string_view value, EmulatorOptions& options) {
  constexpr std::string_view kModes[] = {"fast", "soft", "nd"};
  const std::size_t colon = value.find(':');
  const std::string_view name = value.substr(0, colon);
  const DeviceName* shutter = nullptr;
  for (const DeviceName& entry : kDevices) {
    if (entry.name == name && entry.name.starts_with("shutter")) shutter = &entry;
  }
  const std::string_view mode = colon == std::string_view::npos ? std::string_view() : value.substr(colon + 1);
  const auto found = std::find(std::begin(kModes), std::end(kModes), mode);
  if (shutter == nullptr || found == std::end(kModes)) {
    return "--ignore-mode needs SHUTTER:MODE, a shutter of shutterA,shutterB and a mode of fast,soft,nd";
  }
  options.ignoredMode = {shutter->device, static_cast<int>(found - std::begin(kModes))};
  return {};
}

std::string SetSilentAfter(std::string_view value, EmulatorOptions& options) {
  const auto count = ParseNumber(value, 1, kMaxSilentAfter);
  if (!count) return "--silent-after needs a count of commands from 1 to " + std::to_string(kMaxSilentAfter);
  options.silentAfter = static_cast<int>(*count);
  return {};
}

std::string SetLatencyTimer(std::string_view value, EmulatorOptions& options) {
  const auto ms = ParseNumber(value, 1, kMaxLatencyTimerMs);
  if (!ms) return "--latency-timer needs milliseconds from 1 to " + std::to_string(kMaxLatencyTimerMs);
  options.latencyTimer = std::chrono::milliseconds(*ms);
  return {};
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
    const bool named = options.notConnected.count(entry.device) != 0 ||
                       (options.wear.percent > 0 && options.wear.wheel == entry.device) ||
                       (options.stuck.filter >= 0 && options.stuck.wheel == entry.device) ||
                       (options.ignoredMode.mode >= 0 && options.ignoredMode.shutter == entry.device);
    if (named && !setup.has(entry.device)) {
      return "the " + std::string(VariantText(options.variant)) + " controller has no " + std::string(entry.name);
    }
  }
  return {};
}

// HEX: one byte in hexadecimal, say FC or 0x55.
std::string SetSkippedByte(std::string_view value, EmulatorOptions& options) {
  if (value.starts_with("0x") || value.starts_with("0X")) value.remove_prefix(2);
  unsigned byte = 0;
  const auto [end, status] = std::from_chars(value.data(), value.data() + value.size(), byte, 16);
  if (value.empty() || status != std::errc() || end != value.data() + value.size() || byte > 0xFF) {
    return "--skipped-byte needs one byte in hexadecimal, from 00 to FF";
  }
  options.skippedByte = static_cast<uint8_t>(byte);
  return {};
}

std::string SetNoPacing(std::string_view, EmulatorOptions& options) {
  options.baud = 0;
  return {};
}

std::string Listen(std::string_view value, bool rfc2217, EmulatorOptions& options) {
  auto address = ParseListenAddress(value);
  if (!address) {
    return std::string(rfc2217 ? "--listen" : "--listen-raw") +
           " needs [HOST:]PORT, a port from 0 to 65535 (0: any free one) after a host name or address (an IPv6 "
           "address in brackets)";
  }
  address->rfc2217 = rfc2217;
  options.listen = *address;
  return {};
}

std::string SetListen(std::string_view value, EmulatorOptions& options) { return Listen(value, true, options); }

std::string SetListenRaw(std::string_view value, EmulatorOptions& options) { return Listen(value, false, options); }

std::string SetCount(std::string_view value, EmulatorOptions& options) {
  const auto count = ParseNumber(value, 1, kMaxCount);
  if (!count) return "--count needs a number of controllers from 1 to " + std::to_string(kMaxCount);
  options.count = static_cast<int>(*count);
  return {};
}

// Checked against --count once all options are read.
std::string SetFaultOn(std::string_view value, EmulatorOptions& options) {
  const auto index = ParseNumber(value, 1, kMaxCount);
  if (!index) return "--fault-on needs a controller's number from 1 to the --count";
  options.faultOn = static_cast<int>(*index);
  return {};
}

std::string SetLink(std::string_view value, EmulatorOptions& options) {
  if (value.empty()) return "--link needs a path for the link to the device";
  options.link = std::string(value);
  return {};
}

std::string CheckCount(const EmulatorOptions& options) {
  if (options.count > 1 && options.listen) {
    return "--count serves pseudo-terminals only; start one emulator for each network port";
  }
  if (!options.link.empty() && options.listen) return "--link links a pseudo-terminal; there is none with --listen";
  if (options.faultOn > options.count) {
    return "--fault-on " + std::to_string(options.faultOn) + " names no controller: --count is " +
           std::to_string(options.count);
  }
  return {};
}

std::string SetNoAnnounce(std::string_view, EmulatorOptions& options) {
  options.announce = false;
  return {};
}

// One row per option: the parser and the usage text are made from it. help
// and version are answered by the caller, not applied.
struct OptionRow {
  const char* name;
  const char* valueName;  // nullptr for a flag
  const char* description;  // continued lines start with a newline
  ValueHandler apply;       // nullptr for help and version
};
constexpr OptionRow kOptions[] = {
    {"variant", "triad|duo-ws|duo-ss|mono", "controller variant (default triad)", SetVariant},
    {"not-connected", "LIST", "devices reported not connected, a comma list of\nwheelA,wheelB,wheelC,shutterA,shutterB",
     AddNotConnected},
    {"no-pacing", nullptr, "send every byte at once", SetNoPacing},
    {"baud", "N", "pace sent bytes at N baud, 10 bits a byte (default 300)", SetBaud},
    {"latency", "MS", "pause before each answer", SetLatency},
    {"move-time", "MS", "pause before closing a command that moved a wheel", SetMoveTime},
    {"position-time", "MS", "and MS more for each filter position the wheel passes\n(the shorter way round), times speed index + 1", SetPositionTime},
    {"wear", "WHEEL:PERCENT:N", "that wheel's moves take PERCENT longer every N moves", SetWear},
    {"stuck", "WHEEL:FILTER", "that wheel never reaches position FILTER: the move is\nanswered, the wheel stays where it was", SetStuck},
    {"ignore-mode", "SHUTTER:MODE", "that shutter ignores mode MODE (fast, soft or nd): the\ncommand is answered, the shutter keeps its mode", SetIgnoredMode},
    {"silent-after", "N", "answer N commands (the on-line byte is one), then\nnothing more, not even an echo", SetSilentAfter},
    {"latency-timer", "MS", "hand bytes on as a USB serial adapter does: all that\ncrossed the line, every MS (1 to 255) or per 62 bytes", SetLatencyTimer},
    {"skipped-byte", "HEX", "put byte HEX in the status reply's skipped places\n(default: 00, the shutter number after a mode byte)", SetSkippedByte},
    {"count", "N", "serve N controllers (1 to 64), each on a pseudo-terminal\nof its own, announced, one device path a line", SetCount},
    {"fault-on", "K", "the faults (--stuck, --ignore-mode, --silent-after,\n--wear) are controller K's only (default: all of them)", SetFaultOn},
    {"link", "PATH", "make PATH a symbolic link to the device while serving\n(PATH-1 to PATH-N with --count); never replaces a file", SetLink},
    {"no-announce", nullptr, "stay out of port searches", SetNoAnnounce},
    {"listen", "[HOST:]PORT", "serve by RFC 2217 on the network in place of a\npseudo-terminal, never announced (HOST: 127.0.0.1;\nPORT 0: a free one); prints rfc2217://HOST:PORT", SetListen},
    {"listen-raw", "[HOST:]PORT", "the same by plain TCP; prints tcp://HOST:PORT", SetListenRaw},
    {"help", nullptr, "show this text", nullptr},
    {"version", nullptr, "show the version", nullptr},
};

// Where the descriptions of the usage text start.
constexpr std::size_t kDescriptionColumn = 24;

const OptionRow* FindOption(const QString& name) {
  for (const OptionRow& row : kOptions) {
    if (name == QLatin1String(row.name)) return &row;
  }
  return nullptr;
}

QCommandLineOption ToQtOption(const OptionRow& row) {
  const QString name = QString::fromLatin1(row.name);
  if (!row.valueName) return QCommandLineOption(name);
  return QCommandLineOption(name, QString::fromLatin1(row.description), QString::fromLatin1(row.valueName));
}

// Applies the options in the order given, so that a later one wins as it
// would on any command line ("--no-pacing --baud 9600" paces at 9600).
std::string ApplyInOrder(const QCommandLineParser& parser, CommandLine& line) {
  std::map<QString, qsizetype> used;
  for (const QString& name : parser.optionNames()) {
    const OptionRow* row = FindOption(name);
    if (!row || !row->apply) continue;
    const QString value = row->valueName ? parser.values(name).value(used[name]++) : QString();
    const std::string error = row->apply(value.toStdString(), line.options);
    if (!error.empty()) return error;
  }
  return {};
}

}  // namespace

CommandLine ParseCommandLine(const std::vector<std::string>& arguments) {
  QCommandLineParser parser;
  for (const OptionRow& row : kOptions) parser.addOption(ToQtOption(row));
  // The parser takes the first word as the program's name.
  QStringList words{QStringLiteral("korvel-emulator")};
  for (const std::string& argument : arguments) words.append(QString::fromStdString(argument));

  CommandLine line;
  if (!parser.parse(words)) {
    line.error = parser.errorText().toStdString();
  } else if (!parser.positionalArguments().isEmpty()) {
    line.error = "Unexpected argument '" + parser.positionalArguments().constFirst().toStdString() + "'.";
  } else {
    line.help = parser.isSet(QStringLiteral("help"));
    line.version = parser.isSet(QStringLiteral("version"));
    line.error = ApplyInOrder(parser, line);
  }
  if (line.error.empty()) line.error = CheckDevices(line.options);
  if (line.error.empty()) line.error = CheckCount(line.options);
  return line;
}

std::string UsageText() {
  std::string text =
      "Usage: korvel-emulator [options]\n"
      "Serves one emulated controller on a pseudo-terminal (or on the network), or\n"
      "with --count several, until SIGINT, SIGTERM or SIGHUP; prints each device path\n"
      "(or the address) on standard output, one a line.\n";
  const std::string indent(kDescriptionColumn, ' ');
  for (const OptionRow& row : kOptions) {
    std::string column = std::string("  --") + row.name + (row.valueName ? std::string(" ") + row.valueName : "");
    column.resize(std::max(column.size() + 2, kDescriptionColumn), ' ');
    std::string description = row.description;
    for (std::size_t at = description.find('\n'); at != std::string::npos; at = description.find('\n', at + 1)) {
      description.insert(at + 1, indent);
    }
    text += column + description + "\n";
  }
  return text;
}

}  // namespace emulator

namespace emulator {
namespace {

// The options StartLine says in words of its own.
constexpr std::string_view kDescribedOptions[] = {"variant",    "no-pacing", "baud",  "latency-timer", "no-announce",
                                                  "listen",     "listen-raw", "count", "fault-on", "link"};

const OptionRow* RowNamed(std::string_view name) {
  for (const OptionRow& row : kOptions) {
    if (name == row.name) return &row;
  }
  return nullptr;
}

std::string ServedText(const EmulatorOptions& o) {
  if (o.listen) {
    return std::string("; served on the network by ") + (o.listen->rfc2217 ? "RFC 2217" : "plain TCP") +
           ", not announced to port searches";
  }
  return o.announce ? "" : "; not announced to port searches";
}

std::string PacingText(const EmulatorOptions& o) {
  std::string text = o.baud == 0 ? "unpaced" : "paced at " + std::to_string(o.baud) + " baud";
  if (o.latencyTimer.count() > 0) {
    text += ", handed on every " + std::to_string(o.latencyTimer.count()) + " ms as by a USB serial adapter";
  }
  return text;
}

}  // namespace

std::string StartLine(const CommandLine& line, const std::vector<std::string>& arguments) {
  std::string faults;
  for (std::size_t i = 0; i < arguments.size(); ++i) {
    const std::string& word = arguments[i];
    if (word.rfind("--", 0) != 0) continue;
    const std::string name = word.substr(2, word.find('=') == std::string::npos ? std::string::npos : word.find('=') - 2);
    const OptionRow* row = RowNamed(name);
    if (row == nullptr) continue;
    const bool separateValue = row->valueName != nullptr && word.find('=') == std::string::npos;
    const bool described = std::find(std::begin(kDescribedOptions), std::end(kDescribedOptions), name) !=
                           std::end(kDescribedOptions);
    if (!described) faults += " " + word + (separateValue && i + 1 < arguments.size() ? " " + arguments[i + 1] : "");
    if (separateValue) ++i;
  }
  const EmulatorOptions& o = line.options;
  const std::string served = o.count == 1 ? "a " + std::string(VariantText(o.variant)) + " controller"
                                          : std::to_string(o.count) + " " + std::string(VariantText(o.variant)) +
                                                " controllers";
  const std::string faultsOn =
      o.faultOn == 0 || faults.empty() ? "" : " (the faults on controller " + std::to_string(o.faultOn) + " only)";
  return "korvel-emulator: " + served + ", " + PacingText(o) + "; faults and delays:" +
         (faults.empty() ? std::string(" none") : faults) + faultsOn + ServedText(o) + "\n";
}

}  // namespace emulator
