// The encoders and the command cycle with arbitrary control values, against
// an emulated controller of any variant: any selection (also -1 and past the
// end), any text, any list length, in any order.
#include <fuzzer/FuzzedDataProvider.h>

#include <cstdlib>
#include <cstring>

#include "cycle_state.h"
#include "memory_window.h"
#include "port_setup.h"
#include "pty_server.h"
#include "serial_state.h"

namespace {

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

void Act(FuzzedDataProvider& input, MemoryWindow& w) {
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
      w.controller.communicate();
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  FuzzedDataProvider input(data, size);
  ResetSerialState();
  ResetCycleState();
  emulator::EmulatorServer::Options options;
  options.variant = static_cast<emulator::Variant>(input.ConsumeIntegralInRange(0, 3));
  options.baud = 0;
  options.announce = false;
  emulator::EmulatorServer controller(options);
  if (!controller.start()) return 0;
  std::strcpy(bsdPath, controller.devicePath().c_str());
  MemoryWindow w;
  if (OpenPort() < 0) return 0;
  for (int step = 0; step < 64 && input.remaining_bytes() > 0; ++step) Act(input, w);
  w.controller.communicate();
  ClosePort();
  if (w.receivedView.text.empty()) std::abort();
  return 0;
}
