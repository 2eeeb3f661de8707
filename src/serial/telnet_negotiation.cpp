#include "telnet_negotiation.h"

namespace {

using namespace telnet;

// Which sides of an option the console asks for, and what the server
// refuses when it refuses one of them. Go-ahead may be refused: a server that
// sends GA anyway sends a command, which never reaches a reply.
struct Wanted {
  unsigned char code;
  bool ours;
  bool theirs;
  LineSetting ifRefused;
};

constexpr Wanted kWanted[] = {
    {kBinary, true, true, LineSetting::kBinary},
    {kSuppressGoAhead, true, true, LineSetting::kNone},
    {kComPortOption, true, false, LineSetting::kComPortOption},
};

// The COM-PORT-OPTION's settings (RFC 2217): the command, the value the
// controller's line needs, and the value's size in bytes. The server answers
// each with the command + 100 and the value it set.
struct Setting {
  LineSetting name;
  unsigned char command;
  uint32_t value;
  int size;
};

constexpr Setting kSettings[] = {
    {LineSetting::kBaudRate, 1, 300, 4},
    {LineSetting::kDataSize, 2, 8, 1},
    {LineSetting::kParity, 3, 1, 1},      // 1: none
    {LineSetting::kStopSize, 4, 1, 1},    // 1: one stop bit
    {LineSetting::kFlowControl, 5, 1, 1}, // SET-CONTROL 1: no flow control
};

constexpr int kAllConfirmed = (1 << std::size(kSettings)) - 1;
constexpr unsigned char kServerAnswer = 100;

const Wanted& WantedOf(unsigned char code) {
  for (const Wanted& wanted : kWanted) {
    if (wanted.code == code) return wanted;
  }
  return kWanted[0];
}

}  // namespace

TelnetNegotiation::Option* TelnetNegotiation::find(unsigned char code) {
  for (Option& option : options_) {
    if (option.code == code) return &option;
  }
  return nullptr;
}

void TelnetNegotiation::send(unsigned char verb, unsigned char option) {
  outbox_.insert(outbox_.end(), {kIac, verb, option});
}

void TelnetNegotiation::refuse(LineSetting setting, uint32_t value) {
  if (setting == LineSetting::kNone || refused_ != LineSetting::kNone) return;
  refused_ = setting;
  answeredValue_ = value;
}

void TelnetNegotiation::start() {
  for (Option& option : options_) {
    const Wanted& wanted = WantedOf(option.code);
    if (wanted.ours) {
      send(kWill, option.code);
      option.ours = Side::kAsked;
    }
    if (wanted.theirs) {
      send(kDo, option.code);
      option.theirs = Side::kAsked;
    }
  }
}

void TelnetNegotiation::negotiation(unsigned char verb, unsigned char code) {
  Option* option = find(code);
  const bool theirSide = verb == kWill || verb == kWont;
  const bool wanted = option != nullptr && (theirSide ? WantedOf(code).theirs : WantedOf(code).ours);
  const bool enable = verb == kWill || verb == kDo;
  if (option == nullptr || !wanted) {
    // Refused, once per request: WONT and DONT need no answer.
    if (enable) send(theirSide ? kDont : kWont, code);
    return;
  }
  Side& side = theirSide ? option->theirs : option->ours;
  if (enable) {
    if (side == Side::kNo) send(theirSide ? kDo : kWill, code);
    side = Side::kYes;
  } else {
    if (side == Side::kYes) send(theirSide ? kDont : kWont, code);
    if (side != Side::kNo) refuse(WantedOf(code).ifRefused);
    side = Side::kNo;
  }
  if (!settingsSent_ && find(kComPortOption)->ours == Side::kYes) sendSettings();
}

// RFC 2217 lets the client send its settings once the server said DO.
void TelnetNegotiation::sendSettings() {
  settingsSent_ = true;
  for (const Setting& setting : kSettings) {
    std::vector<unsigned char> value;
    for (int shift = 8 * (setting.size - 1); shift >= 0; shift -= 8) {
      value.push_back(static_cast<unsigned char>(setting.value >> shift));
    }
    outbox_.insert(outbox_.end(), {kIac, kSb, kComPortOption, setting.command});
    AppendEscaped(value.data(), value.size(), outbox_);
    outbox_.insert(outbox_.end(), {kIac, kSe});
  }
}

void TelnetNegotiation::subnegotiation(const std::vector<unsigned char>& bytes) {
  if (bytes.size() < 3 || bytes[0] != kComPortOption) return;
  for (std::size_t i = 0; i < std::size(kSettings); ++i) {
    const Setting& setting = kSettings[i];
    const int bit = 1 << i;
    if (bytes[1] != setting.command + kServerAnswer || (confirmed_ & bit) != 0) continue;
    if (bytes.size() < 2 + static_cast<std::size_t>(setting.size)) return;
    uint32_t value = 0;
    for (int k = 0; k < setting.size; ++k) value = (value << 8) | bytes[2 + static_cast<std::size_t>(k)];
    if (value == setting.value) {
      confirmed_ |= bit;
    } else {
      refuse(setting.name, value);
    }
  }
}

bool TelnetNegotiation::settled() const {
  if (refused_ != LineSetting::kNone || confirmed_ != kAllConfirmed) return false;
  for (const Option& option : options_) {
    if (option.ours == Side::kAsked || option.theirs == Side::kAsked) return false;
  }
  return true;
}
