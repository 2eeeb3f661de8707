#include "session_fixture.h"

#include <cstring>

#include "cycle_state.h"
#include "port_setup.h"
#include "serial_state.h"

namespace emulator {

namespace {

void PrintTime(const char* name, const TimeBlock& block, std::ostream& out) {
  out << ' ' << name << " {" << std::hex;
  for (uint8_t b : block) out << ' ' << static_cast<int>(b);
  out << std::dec << " }";
}

}  // namespace

void PrintTo(const ControllerState& state, std::ostream* out) {
  for (std::size_t i = 0; i < state.wheels.size(); ++i) {
    *out << "wheel " << static_cast<char>('A' + i) << " filter " << int{state.wheels[i].filter} << " speed "
         << int{state.wheels[i].speed} << "; ";
  }
  for (std::size_t i = 0; i < state.shutters.size(); ++i) {
    const ShutterSetting& s = state.shutters[i];
    *out << "shutter " << static_cast<char>('A' + i) << " state " << int{static_cast<uint8_t>(s.state)} << " mode "
         << int{static_cast<uint8_t>(s.mode)} << " steps " << int{s.steps} << "; ";
  }
  *out << std::hex << "ttl in " << int{state.ttlIn} << " out " << int{state.ttlOut} << " free run "
       << int{state.freeRun} << std::dec << ';';
  PrintTime("closed", state.closedTime, *out);
  PrintTime("exposure", state.exposureTime, *out);
  *out << " repeat " << state.repeatNumber;
}

}  // namespace emulator

void SessionTest::SetUp() {
  ResetSerialState();
  ResetCycleState();
}

void SessionTest::TearDown() {
  if (fileDescriptor >= 0) ClosePort();
  if (controller) controller->stop();
}

void SessionTest::Connect(emulator::Variant variant, int baud) {
  emulator::EmulatorOptions options;
  options.variant = variant;
  options.baud = baud;
  Connect(options);
}

void SessionTest::Connect(emulator::EmulatorOptions options) {
  options.announce = false;
  controller = std::make_unique<emulator::EmulatorServer>(options);
  ASSERT_TRUE(controller->start()) << controller->error();
  const std::string& path = controller->devicePath();
  ASSERT_LT(path.size(), kPathSize);
  std::memcpy(bsdPath, path.c_str(), path.size() + 1);
  w.controller.open();
  ASSERT_EQ(w.openField.text, "Port is ready for communication.");
  controller->clearReceived();
}

std::string SessionTest::Send() {
  const std::size_t before = w.receivedView.text.size();
  w.controller.communicate();
  return w.receivedView.text.substr(before);
}

Bytes SessionTest::TakeReceived() {
  Bytes received = controller->received();
  controller->clearReceived();
  return received;
}

void SessionTest::QueryStatus() {
  w.otherCommand.choose(1);
  Send();
  EXPECT_EQ(TakeReceived(), Bytes{0xCC});
}
