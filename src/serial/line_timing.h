// Time bounds of the serial line. The controller speaks at 300 baud.
#pragma once

#include <chrono>

using LineClock = std::chrono::steady_clock;

// The fuzz targets' own copy of this library is built with
// KORVEL_SHORT_LINE_BOUNDS and talks to an emulator that answers at once:
// there every bound below is this many times shorter, so that a fuzzer runs
// hundreds of cycles a second instead of a few. Any real line needs them whole.
#ifdef KORVEL_SHORT_LINE_BOUNDS
inline constexpr int kLineBoundDivisor = 64;
#else
inline constexpr int kLineBoundDivisor = 1;
#endif

// One character: start bit, eight data bits and stop bit at 300 baud.
inline constexpr std::chrono::microseconds kCharacterTime{33334};

// The controller echoes a command's first byte within about one character
// time; a second leaves room for a slow adapter and still reads as "no answer"
// to an operator when the controller is off.
inline constexpr std::chrono::milliseconds kFirstByteTimeout{1000 / kLineBoundDivisor};

// A reply of data bytes sent back to back (status, configuration), counted
// from its first byte: its longest form takes under a second on the line.
// When it runs out, the bytes received are the reply.
inline constexpr std::chrono::milliseconds kReplyTimeout{5000 / kLineBoundDivisor};

// One wheel's longest move at its slowest speed. No measured figure is known;
// a slow move was seen to outlast the 5 s once allowed for it, so 6 s.
inline constexpr std::chrono::milliseconds kSlowestWheelMove{6000 / kLineBoundDivisor};

// A command's closing byte, counted from the first byte of its reply: the
// controller sends it when what the command started has ended, at the longest
// an eight-byte batch that moves three wheels one after the other at their
// slowest speed (3 x 6 s), with its echo and two shutters, rounded up to 20 s.
inline constexpr std::chrono::milliseconds kMoveClosingTimeout{20000 / kLineBoundDivisor};

// The rest of a reply that outlasted its bound comes at the latest when the
// move still under way ends; the next command waits this long for it.
inline constexpr auto kOwedBytesTimeout = kSlowestWheelMove;

// One character time as a wait counts it, shortened with the other bounds;
// kCharacterTime stays the line's own, for figures of time on the line.
inline constexpr auto kCharacterWait = kCharacterTime / kLineBoundDivisor;

// A reply whose length is not known beforehand has ended when the line has
// been quiet this long; bytes of one reply follow each other one character apart.
inline constexpr auto kQuietTime = 2 * kCharacterWait;

// USB serial adapters hand received bytes on in bursts, at the latest at each
// tick of their latency timer, which is set from 1 to 255 ms.
inline constexpr std::chrono::milliseconds kLongestDeliveryTick{255 / kLineBoundDivisor};

// The on-line answer's closing byte follows its echo with no move between:
// when it is late, only an adapter's tick and a character or two delay it.
inline constexpr std::chrono::microseconds kOwedClosingByteTimeout = kLongestDeliveryTick + 2 * kCharacterWait;

// Handing a command of at most 20 bytes to the driver.
inline constexpr std::chrono::milliseconds kWriteTimeout{1000 / kLineBoundDivisor};

// Opening a port on a serial device server: finding its host, connecting and,
// for RFC 2217, the negotiation and the five line settings, each a round trip.
// On a LAN or loopback all of it takes milliseconds; a few seconds still
// allow a slow link, and a server that does not answer is told as such.
inline constexpr std::chrono::seconds kNetworkOpenTimeout{5};

// A connection lost without a word (a cable pulled, a server switched off)
// shows, while the line is quiet, after keep-alive probes go unanswered: the
// first after this long idle, then every kKeepAliveInterval, kKeepAliveProbes times.
inline constexpr std::chrono::seconds kKeepAliveIdle{10};
inline constexpr std::chrono::seconds kKeepAliveInterval{5};
inline constexpr int kKeepAliveProbes = 3;
