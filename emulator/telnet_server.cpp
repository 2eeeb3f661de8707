#include "telnet_server.h"

#include <algorithm>

namespace emulator {

namespace {

using namespace telnet;

// The longest subnegotiation kept; a longer one (a client's long signature)
// is consumed unanswered.
constexpr std::size_t kMaxSubnegotiation = 64;

constexpr uint8_t kOurOptions[] = {kBinary, kSuppressGoAhead};
constexpr uint8_t kTheirOptions[] = {kBinary, kSuppressGoAhead, kComPortOption};

template <std::size_t N>
bool Has(const uint8_t (&options)[N], uint8_t option) {
  return std::find(std::begin(options), std::end(options), option) != std::end(options);
}

void Say(std::vector<uint8_t>& out, uint8_t verb, uint8_t option) {
  out.insert(out.end(), {kIac, verb, option});
}

}  // namespace

std::vector<uint8_t> TelnetServer::greeting() {
  std::vector<uint8_t> out;
  for (uint8_t option : kOurOptions) {
    ours_[option].asked = true;
    Say(out, kWill, option);
  }
  for (uint8_t option : kTheirOptions) {
    theirs_[option].asked = true;
    Say(out, kDo, option);
  }
  return out;
}

void TelnetServer::take(uint8_t byte, std::vector<uint8_t>& data, std::vector<uint8_t>& answers) {
  switch (state_) {
    case State::kData:
      if (byte == kIac) {
        state_ = State::kIac;
      } else {
        data.push_back(byte);
      }
      return;
    case State::kIac:
      state_ = State::kData;
      if (byte == kIac) {
        data.push_back(byte);
      } else if (byte >= kWill) {  // WILL, WONT, DO, DONT
        verb_ = byte;
        state_ = State::kVerb;
      } else if (byte == kSb) {
        sub_.clear();
        subOverflowed_ = false;
        state_ = State::kSub;
      }
      // Every other command (NOP, DM, BRK, IP, AO, AYT, EC, EL, GA, a stray SE) is consumed.
      return;
    case State::kVerb:
      state_ = State::kData;
      negotiate(verb_, byte, answers);
      return;
    case State::kSub:
      if (byte == kIac) {
        state_ = State::kSubIac;
      } else {
        keep(byte);
      }
      return;
    case State::kSubIac:
      if (byte == kSe) {
        state_ = State::kData;
        endSubnegotiation(answers);
        return;
      }
      state_ = State::kSub;
      // IAC IAC is a 0xFF of the value; any other command inside is dropped.
      if (byte == kIac) keep(byte);
      return;
  }
}

void TelnetServer::keep(uint8_t byte) {
  if (sub_.size() < kMaxSubnegotiation) {
    sub_.push_back(byte);
  } else {
    subOverflowed_ = true;
  }
}

// RFC 854's rules against negotiation loops: answer only a request that
// changes something, and never acknowledge what is already in effect.
void TelnetServer::negotiate(uint8_t verb, uint8_t option, std::vector<uint8_t>& answers) {
  const bool aboutUs = verb == kDo || verb == kDont;
  Side& side = aboutUs ? ours_[option] : theirs_[option];
  const bool supported = aboutUs ? Has(kOurOptions, option) : Has(kTheirOptions, option);
  const uint8_t yes = aboutUs ? kWill : kDo;
  const uint8_t no = aboutUs ? kWont : kDont;
  const bool wantsOn = verb == kDo || verb == kWill;
  if (wantsOn && !supported) {
    Say(answers, no, option);
  } else if (wantsOn && !side.enabled) {
    if (!side.asked) Say(answers, yes, option);
    side.enabled = true;
  } else if (!wantsOn && side.enabled) {
    Say(answers, no, option);
    side.enabled = false;
  }
  side.asked = false;
}

void TelnetServer::endSubnegotiation(std::vector<uint8_t>& answers) {
  if (subOverflowed_ || sub_.empty() || sub_[0] != kComPortOption) return;
  const std::vector<uint8_t> request(sub_.begin() + 1, sub_.end());
  const auto reply = AnswerComPortRequest(request, settings_);
  if (!reply) return;
  answers.insert(answers.end(), {kIac, kSb, kComPortOption});
  AppendEscaped(reply->data(), reply->size(), answers);
  answers.insert(answers.end(), {kIac, kSe});
}

}  // namespace emulator
