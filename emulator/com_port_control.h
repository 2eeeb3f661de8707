// The access server's side of the telnet COM-PORT-OPTION (RFC 2217): the
// serial settings a client asks for are kept, and every request is answered
// with the server's code (the client's + 100) and the value in use, which is
// the value asked for when it is one a serial port takes. The settings change
// nothing of what the emulated controller hears, as the pseudo-terminal's
// line settings change nothing.
#pragma once

#include <cstdint>
#include <optional>
#include <vector>

namespace emulator {

// Values in the option's own codes, set as the controller's line is: 300
// baud, 8 data bits, no parity (1), 1 stop bit (1), no flow control (1).
struct ComPortSettings {
  uint32_t baud = 300;
  uint8_t dataSize = 8;
  uint8_t parity = 1;
  uint8_t stopSize = 1;
  // SET-CONTROL's groups, each the value last set: outbound flow control,
  // BREAK, DTR, RTS and inbound flow control.
  uint8_t outboundFlow = 1;
  uint8_t breakState = 6;
  uint8_t dtr = 8;
  uint8_t rts = 11;
  uint8_t inboundFlow = 14;
  uint8_t lineStateMask = 0;
  uint8_t modemStateMask = 0;
};

namespace comport {
inline constexpr uint8_t kSignature = 0;
inline constexpr uint8_t kSetBaudRate = 1;
inline constexpr uint8_t kSetDataSize = 2;
inline constexpr uint8_t kSetParity = 3;
inline constexpr uint8_t kSetStopSize = 4;
inline constexpr uint8_t kSetControl = 5;
inline constexpr uint8_t kFlowControlSuspend = 8;
inline constexpr uint8_t kFlowControlResume = 9;
inline constexpr uint8_t kSetLineStateMask = 10;
inline constexpr uint8_t kSetModemStateMask = 11;
inline constexpr uint8_t kPurgeData = 12;
// The server answers with the client's command code plus this.
inline constexpr uint8_t kServerOffset = 100;
}  // namespace comport

// One request: its bytes after the option code, undoubled (the command code,
// then its value). The answer's bytes in the same form (the server's code,
// then the value in use), or nothing for a request that has no answer: a
// client's own signature, flow control suspend and resume, codes unknown.
std::optional<std::vector<uint8_t>> AnswerComPortRequest(const std::vector<uint8_t>& request,
                                                          ComPortSettings& settings);

}  // namespace emulator
