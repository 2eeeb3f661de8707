// The encoders and the command cycle with arbitrary control values, against
// an emulated controller of any variant with any devices missing: any
// selection (also -1 and past the end), any text, any list length, in any
// order. After every cycle: the log ends with the separator; what reached the
// controller is one whole command of its command forms, or nothing; and a
// cycle that did not transact (nothing changed, or a refusal) sent nothing.
#include <fuzzer/FuzzedDataProvider.h>

#include <chrono>
#include <cstdlib>
#include <cstring>
#include <string_view>
#include <thread>

#include "command_cycle.h"
#include "command_forms.h"
#include "cycle_state.h"
#include "memory_window.h"
#include "port_setup.h"
#include "pty_server.h"
#include "serial_state.h"

namespace {

using Clock = std::chrono::steady_clock;

// The unpaced emulator takes a command within microseconds of its writing;
// a second leaves room for a machine loaded by other fuzzers.
constexpr auto kSettleLimit = std::chrono::seconds(1);
// Short beside a command's arrival, long enough not to spin against the emulator.
constexpr auto kSettlePoll = std::chrono::microseconds(100);

void Check(bool holds) {
  if (!holds) std::abort();
}

bool EndsWith(std::string_view text, std::string_view end) {
  return text.size() >= end.size() && text.substr(text.size() - end.size()) == end;
}

// A reply byte's line in the log: decimal, spaces, "0x" and hexadecimal.
bool IsByteLine(std::string_view line) {
  std::size_t i = 0;
  while (i < line.size() && line[i] >= '0' && line[i] <= '9') ++i;
  if (i == 0 || i == line.size() || line[i] != ' ') return false;
  while (i < line.size() && line[i] == ' ') ++i;
  if (line.substr(i, 2) != "0x" || i + 2 == line.size()) return false;
  for (i += 2; i < line.size(); ++i) {
    const char c = line[i];
    if (!((c >= '0' && c <= '9') || (c >= 'A' && c <= 'F'))) return false;
  }
  return true;
}

// A cycle that sent a command logs its reply, whose last line is a byte line,
// or the no-reply message; refusals end otherwise.
bool Transacted(std::string_view cycleLog) {
  if (EndsWith(cycleLog, kNoReplyMessage)) return true;
  if (!EndsWith(cycleLog, "\n")) return false;
  cycleLog.remove_suffix(1);
  const std::size_t lineStart = cycleLog.rfind('\n') + 1;  // npos + 1 is 0
  return IsByteLine(cycleLog.substr(lineStart));
}

bool WholeCommand(const std::vector<uint8_t>& bytes, bool twoShutters) {
  using emulator::CommandProgress;
  const std::span<const uint8_t> all(bytes);
  for (std::size_t length = 1; length < bytes.size(); ++length) {
    if (emulator::JudgeCommand(all.first(length), twoShutters) != CommandProgress::kIncomplete) return false;
  }
  return emulator::JudgeCommand(all, twoShutters) == CommandProgress::kComplete;
}

// The bytes the emulator took, once they form a command or nothing is awaited.
std::vector<uint8_t> ReceivedCommand(const emulator::EmulatorServer& controller, bool twoShutters, bool sent) {
  const auto giveUp = Clock::now() + kSettleLimit;
  for (;;) {
    std::vector<uint8_t> bytes = controller.received();
    const bool settled = bytes.empty() ? !sent
                                       : emulator::JudgeCommand(bytes, twoShutters) !=
                                             emulator::CommandProgress::kIncomplete;
    if (settled || Clock::now() >= giveUp) return bytes;
    std::this_thread::sleep_for(kSettlePoll);
  }
}

void CheckedCycle(MemoryWindow& w, emulator::EmulatorServer& controller, bool twoShutters) {
  controller.clearReceived();
  const std::size_t logged = w.receivedView.text.size();
  w.controller.communicate();
  const std::string_view log = w.receivedView.text;
  Check(log.size() > logged && EndsWith(log, kSeparator));
  const std::string_view cycleLog = log.substr(logged, log.size() - logged - std::strlen(kSeparator));
  const bool sent = Transacted(cycleLog);
  const std::vector<uint8_t> bytes = ReceivedCommand(controller, twoShutters, sent);
  Check(bytes.empty() || (sent && WholeCommand(bytes, twoShutters)));
}

std::vector<MemoryComboBox*> Lists(MemoryWindow& w) {
  return {&w.filterA,      &w.speedA,         &w.filterB,        &w.speedB,    &w.filterC,
          &w.speedC,       &w.otherCommand,   &w.shutterAstatus, &w.shutterAmode, &w.shutterBstatus,
          &w.shutterBmode, &w.timerType};
}

std::vector<MemoryTextField*> Fields(MemoryWindow& w) {
  return {&w.shutterAsteps, &w.shutterBsteps, &w.repeatNumber, &w.tHour,
          &w.tMinute,       &w.tSecond,       &w.tMsecond,     &w.tTenthmsecond};
}

const char* const kTexts[] = {"continuous", "CONTINUOUS", " continuous", "99999999999", "-2147483648",
                              "2147483647", "145",        "65001",       "  12abc",     ""};

void Act(FuzzedDataProvider& input, MemoryWindow& w, emulator::EmulatorServer& controller, bool twoShutters) {
  auto lists = Lists(w);
  auto fields = Fields(w);
  switch (input.ConsumeIntegralInRange(0, 4)) {
    case 0:
      lists[input.ConsumeIntegralInRange<size_t>(0, lists.size() - 1)]->selectItemAtIndex(
          input.ConsumeIntegral<int32_t>());
      break;
    case 1: {
      MemoryComboBox* list = lists[input.ConsumeIntegralInRange<size_t>(0, lists.size() - 1)];
      if (list->numberOfItems() > 0) list->choose(input.ConsumeIntegralInRange(0, list->numberOfItems() - 1));
      break;
    }
    case 2:
      fields[input.ConsumeIntegralInRange<size_t>(0, fields.size() - 1)]->text =
          input.ConsumeBool() ? std::string(input.PickValueInArray(kTexts)) : input.ConsumeRandomLengthString(16);
      break;
    case 3:
      lists[input.ConsumeIntegralInRange<size_t>(0, lists.size() - 1)]->removeItemAtIndex(
          input.ConsumeIntegral<int32_t>());
      break;
    default:
      CheckedCycle(w, controller, twoShutters);
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  FuzzedDataProvider input(data, size);
  ResetSerialState();
  ResetCycleState();
  emulator::EmulatorServer::Options options;
  options.variant = static_cast<emulator::Variant>(input.ConsumeIntegralInRange(0, 3));
  const auto missing = input.ConsumeIntegral<uint8_t>();
  for (int device = 0; device <= static_cast<int>(emulator::Device::kShutterB); ++device) {
    if (missing & (1u << device)) options.notConnected.insert(static_cast<emulator::Device>(device));
  }
  const bool twoShutters = emulator::ControllerSetup(options.variant).twoShutters();
  options.baud = 0;
  options.announce = false;
  emulator::EmulatorServer controller(options);
  if (!controller.start()) return 0;
  std::strcpy(bsdPath, controller.devicePath().c_str());
  MemoryWindow w;
  if (OpenPort() < 0) return 0;
  for (int step = 0; step < 64 && input.remaining_bytes() > 0; ++step) Act(input, w, controller, twoShutters);
  CheckedCycle(w, controller, twoShutters);
  ClosePort();
  return 0;
}
