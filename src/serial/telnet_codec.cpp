#include "telnet_codec.h"

namespace telnet {

void Decoder::feed(const unsigned char* wire, std::size_t count, std::vector<unsigned char>& data, CommandSink& sink) {
  for (std::size_t i = 0; i < count; ++i) {
    const unsigned char byte = wire[i];
    switch (state_) {
      case State::kData:
        if (byte == kIac) {
          state_ = State::kIac;
        } else {
          data.push_back(byte);
        }
        break;
      case State::kIac:
        if (byte == kIac) {
          data.push_back(byte);
          state_ = State::kData;
        } else if (byte >= kWill) {
          verb_ = byte;
          state_ = State::kVerb;
        } else if (byte == kSb) {
          sub_.clear();
          state_ = State::kSub;
        } else {
          state_ = State::kData;  // NOP, GA, a stray SE and the like carry nothing
        }
        break;
      case State::kVerb:
        sink.negotiation(verb_, byte);
        state_ = State::kData;
        break;
      case State::kSub:
        if (byte == kIac) {
          state_ = State::kSubIac;
        } else if (sub_.size() < kLongestSub) {
          sub_.push_back(byte);
        }
        break;
      case State::kSubIac:
        if (byte == kIac) {
          if (sub_.size() < kLongestSub) sub_.push_back(byte);
          state_ = State::kSub;
        } else {
          // SE ends it; any other command inside is a server's fault, and
          // ends it too rather than swallowing the data after it.
          if (sub_.size() < kLongestSub) sink.subnegotiation(sub_);
          state_ = State::kData;
        }
        break;
    }
  }
}

void AppendEscaped(const unsigned char* bytes, std::size_t count, std::vector<unsigned char>& wire) {
  for (std::size_t i = 0; i < count; ++i) {
    wire.push_back(bytes[i]);
    if (bytes[i] == kIac) wire.push_back(kIac);
  }
}

}  // namespace telnet
