// Replies of any content and length, several in a row, through the
// configuration echo, identification, reshaping and the status report on the
// in-memory window, each followed by the cycle's write-back and redisplay.
#include <fuzzer/FuzzedDataProvider.h>

#include <cstdlib>
#include <span>

#include "capture.h"
#include "configuration_echo.h"
#include "cycle_state.h"
#include "identification.h"
#include "memory_window.h"
#include "remembered_values.h"
#include "serial_state.h"
#include "status_report.h"

namespace {

constexpr unsigned char kFirstBytes[] = {0xCC, 0xCC, 0xFD, 0x00};

void Interpret(std::span<const unsigned char> reply, MemoryWindow& w) {
  Cycle cycle;
  cycle.capture = CaptureControls(w.controller);
  if (reply[0] == 0xFD) {
    HandleConfigurationReply(reply, cycle, w.controller);
  } else if (reply[0] == 0xCC) {
    if (itype == kUnknown) IdentifyFromStatusReply(reply, cycle, w.controller);
    decodeStatusReply(reply, cycle, w.controller);
  }
  RememberCapture(cycle.capture);
  ShowRememberedValues(w.controller);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  FuzzedDataProvider input(data, size);
  ResetSerialState();
  ResetCycleState();
  MemoryWindow w;
  for (int replies = 0; replies < 8 && input.remaining_bytes() > 0; ++replies) {
    const std::size_t length = input.ConsumeIntegralInRange<std::size_t>(1, kBufferSize);
    // The bytes an earlier reply left stay in Buffer past this one's end.
    Buffer[0] = input.PickValueInArray(kFirstBytes);
    const auto bytes = input.ConsumeBytes<unsigned char>(length - 1);
    std::copy(bytes.begin(), bytes.end(), Buffer + 1);
    if (Buffer[0] == 0x00) Buffer[0] = bytes.empty() ? 0xCC : bytes[0];
    Interpret(std::span<const unsigned char>(Buffer, 1 + bytes.size()), w);
  }
  if (itype < kUnknown || itype > kMono) std::abort();
  return 0;
}
