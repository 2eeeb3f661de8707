// The telnet stream (RFC 854) as the console speaks it with a serial device
// server: data bytes, with a data byte 0xFF sent as FF FF, and commands
// introduced by IAC (0xFF) that are never data: option negotiation
// (WILL, WONT, DO, DONT and an option code), subnegotiation (SB ... SE,
// where RFC 2217 carries its COM-PORT-OPTION) and one-byte commands such as
// NOP and GA. A command may be split across TCP segments anywhere: the
// decoder keeps its place between pieces.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace telnet {

inline constexpr unsigned char kIac = 0xFF;
inline constexpr unsigned char kDont = 0xFE;
inline constexpr unsigned char kDo = 0xFD;
inline constexpr unsigned char kWont = 0xFC;
inline constexpr unsigned char kWill = 0xFB;
inline constexpr unsigned char kSb = 0xFA;
inline constexpr unsigned char kSe = 0xF0;

inline constexpr unsigned char kBinary = 0;
inline constexpr unsigned char kSuppressGoAhead = 3;
inline constexpr unsigned char kComPortOption = 44;

// What the decoder hands on besides data bytes.
class CommandSink {
 public:
  virtual ~CommandSink() = default;
  // verb: kWill, kWont, kDo or kDont.
  virtual void negotiation(unsigned char verb, unsigned char option) = 0;
  // The bytes between SB and SE, FF FF undone; the option code first.
  virtual void subnegotiation(const std::vector<unsigned char>& bytes) = 0;
};

class Decoder {
 public:
  // Decodes wire bytes: data bytes are appended to data, commands go to sink.
  void feed(const unsigned char* wire, std::size_t count, std::vector<unsigned char>& data, CommandSink& sink);

 private:
  enum class State { kData, kIac, kVerb, kSub, kSubIac };
  // A subnegotiation of the COM-PORT-OPTION is a few bytes; one longer than
  // this is no answer the console waits for, and its rest is dropped.
  static constexpr std::size_t kLongestSub = 64;

  State state_ = State::kData;
  unsigned char verb_ = 0;
  std::vector<unsigned char> sub_;
};

// Data bytes as they go on the wire: each 0xFF doubled.
void AppendEscaped(const unsigned char* bytes, std::size_t count, std::vector<unsigned char>& wire);

}  // namespace telnet
