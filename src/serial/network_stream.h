// A network line's bytes: a non-blocking TCP socket to a serial device
// server, its data bytes decoded from the telnet stream for RFC 2217 or
// taken as they are for plain TCP. Bytes come in TCP segments; they are the
// same stream as a USB adapter's bursts, and the reply reader's rules for
// those hold for them unchanged.
//
// The socket is read only here, into an inbox of data bytes: the telnet
// commands among them are answered and never reach a reply. The server's
// closing the connection (or its loss, which keep-alive reveals) is the
// port going away, as a terminal's hang-up is.
#pragma once

#include <deque>
#include <memory>
#include <string>
#include <vector>

#include "line_stream.h"
#include "network_address.h"
#include "telnet_codec.h"
#include "telnet_negotiation.h"

class NetworkStream : public LineStream {
 public:
  NetworkStream(int fd, NetworkKind kind);

  LineEvent waitForBytes(LineClock::time_point deadline) override;
  int readWaiting(unsigned char* destination, int room) override;
  bool waitWritable(LineClock::time_point deadline) override;
  ssize_t writeSome(const unsigned char* bytes, std::size_t count) override;
  bool goneNow() override;
  void discardStaleInput() override;
  GoneSignal goneSignal() const override { return GoneSignal::kReadable; }

  // RFC 2217: negotiates the options and the line settings until the server
  // has confirmed them all, refused one, closed the connection or the
  // deadline passed. True when settled; else portHealth says why.
  bool negotiate(LineClock::time_point deadline);

  bool gone() const { return gone_; }
  // The first line of text the server sent, when it sent text (ser2net
  // tells a second client "Port already in use" before it closes).
  std::string serverWords() const;

 private:
  // Reads whatever the socket holds into the inbox and sends what is owed.
  void pump();
  void take(const unsigned char* wire, std::size_t count);
  void flush();
  void markGone();

  // Data bytes kept unread; more are stale bytes of a quiet line, and the
  // oldest of them go.
  static constexpr std::size_t kInboxLimit = 4096;
  static constexpr std::size_t kWordsKept = 80;

  int fd_;
  NetworkKind kind_;
  bool gone_ = false;
  std::deque<unsigned char> inbox_;
  std::vector<unsigned char> outbox_;
  std::vector<unsigned char> decoded_;
  std::string heard_;  // the first data bytes, for serverWords
  telnet::Decoder decoder_;
  TelnetNegotiation negotiation_;
};
