// Process-wide state of the serial link: the port, the last search's path and
// the command and reply buffers. One instance each, for the whole run.
#pragma once

#include <termios.h>

#include <chrono>
#include <cstddef>
#include <cstdint>
#include <span>
#include <string>

inline constexpr std::size_t kPathSize = 1024;
inline constexpr std::size_t kCommandSize = 40;
inline constexpr std::size_t kBufferSize = 256;
inline constexpr int kMaxCommandLength = 20;

// Callout path of the port found by the last search; empty when none was found.
extern char bsdPath[kPathSize];
// The open port, -1 when none is open.
extern int fileDescriptor;
// The device's attributes before the console changed them; put back on close.
extern struct termios gOriginalTTYAttrs;
// The command: commandLength bytes, then the end marker 0x0A, which is not sent.
extern unsigned char mycomm[kCommandSize];
// The last reply, first received byte at index 0.
extern unsigned char Buffer[kBufferSize];
// The last reply was cut short (its echo came, its end did not): the rest is
// still owed on the line and must not be taken for the next reply.
extern bool lineOwesBytes;
// How long the next command waits for what the line owes: a move's closing
// byte may take the rest of the move, the on-line answer's takes no time.
extern std::chrono::microseconds owedBytesWait;

// What the latest transaction did on the line, for the fronts to tell the
// operator. The reply in Buffer begins at the echo of the command's first
// byte; what came before that echo was dropped and is kept here.
// Why the driver did not take a whole command.
enum class SendFailure { kNone, kNoPort, kTimedOut, kHungUp, kWriteFailed };

struct LineExchange {
  int32_t sent = 0;  // command bytes the driver took
  SendFailure sendFailure = SendFailure::kNone;
  int sendError = 0;  // errno of the last failed write, with kWriteFailed
  int32_t replyLength = 0;    // the reply's bytes now at the start of Buffer
  bool echoed = false;        // the reply began with the echo of the command's first byte
  bool cutShort = false;      // the reply ended before it was whole: a bound, a full Buffer, a hang-up
  int32_t droppedCount = 0;   // bytes before the echo, dropped
  unsigned char dropped[kBufferSize] = {};  // the first of them, up to kBufferSize
  // When the line saw the exchange, as the console read it: the command's
  // first byte handed to the driver, the reply's first byte (its echo when
  // one came) and its last byte (a move's closing byte: the move's end).
  // A time not seen stays at the clock's epoch.
  std::chrono::steady_clock::time_point sentAt{};
  std::chrono::steady_clock::time_point firstByteAt{};
  std::chrono::steady_clock::time_point lastByteAt{};
};
extern LineExchange lineExchange;

// From a reply's bytes received so far, its echo first: how many bytes the
// whole reply has once they tell, 0 while they do not (yet).
using ReplyLengthHook = int (*)(std::span<const unsigned char> received);

// The status reply's length, told by the layer that reads replies (the serial
// layer does not): a status reply that shows itself whole ends at once, with
// no wait for the line to go quiet. None by default, and then it does wait.
void SetStatusReplyLengthHook(ReplyLengthHook hook);
ReplyLengthHook StatusReplyLengthHook();

// Where opening a port can fail, in the order OpenSerialPort takes the steps:
// a device's, then a network line's.
enum class OpenStep {
  kNone,
  kOpening,
  kLocking,
  kClearingNonBlocking,
  kGettingAttributes,
  kSettingAttributes,
  kResolving,    // finding the server's host
  kConnecting,   // the TCP connection
  kNegotiating,  // the telnet options and the RFC 2217 line settings
};

// What a serial device server is asked to take before the on-line byte.
enum class LineSetting { kNone, kBinary, kComPortOption, kBaudRate, kDataSize, kParity, kStopSize, kFlowControl };

// What the window tells the operator about the port beside the open result:
// why the last open failed, whether the controller answered the on-line byte,
// and whether the line reported a hang-up since the port was opened.
struct PortHealth {
  OpenStep failedStep = OpenStep::kNone;
  int failedError = 0;  // errno of the failed step
  // A network line's open: what the server did not take, and the value it
  // answered instead (with the RFC 2217 settings); the first line of words
  // a server sent before it closed the connection (ser2net's "Port already
  // in use").
  LineSetting refusedSetting = LineSetting::kNone;
  uint32_t answeredValue = 0;
  std::string serverWords;
  bool onLine = false;
  bool hungUp = false;
  int32_t sendingLength = 0;  // command bytes of the latest transaction, from its start
};
extern PortHealth portHealth;

// Back to the state at program start (tests start each case from here).
void ResetSerialState();
