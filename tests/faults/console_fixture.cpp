#include "console_fixture.h"

#include <stdlib.h>

#include <QSerialPortInfo>

#include <filesystem>

#include "cycle_state.h"
#include "line_timing.h"
#include "port_setup.h"
#include "serial_state.h"

void Answer(PtyPeer& line, const Bytes& command, const Bytes& reply) {
  // Long enough for the console to come back from a fault that lasts until
  // the closing byte's bound, and to wait for the bytes the line then owes.
  const auto patience = kMoveClosingTimeout + kOwedBytesTimeout + std::chrono::seconds(5);
  const Bytes got = line.receive(command.size(), std::chrono::duration_cast<std::chrono::milliseconds>(patience));
  if (got != command) {
    ADD_FAILURE() << "the controller received " << ::testing::PrintToString(got) << " instead of "
                  << ::testing::PrintToString(command);
    return;
  }
  line.send(reply);
}

void AnswerOneByte(PtyPeer& line, unsigned char command) { Answer(line, {command}, {command, 0x0D}); }

void ConsoleTest::SetUp() {
  ResetSerialState();
  ResetCycleState();
  char dir[] = "/tmp/korvel-faults-XXXXXX";
  ASSERT_NE(mkdtemp(dir), nullptr);
  announcementDir = dir;
  ASSERT_EQ(setenv("KORVEL_EMULATOR_DIR", dir, 1), 0);
  peer = std::make_unique<PtyPeer>();
}

void ConsoleTest::TearDown() {
  if (fileDescriptor >= 0) ClosePort();
  FinishPlaying();
  for (auto& controller : emulators) controller->stop();
  unsetenv("KORVEL_EMULATOR_DIR");
  std::error_code ignored;
  std::filesystem::remove_all(announcementDir, ignored);
}

std::string ConsoleTest::Search() {
  testing::internal::CaptureStdout();
  w.controller.search();
  return testing::internal::GetCapturedStdout();
}

std::string ConsoleTest::OpenAt(const std::string& path) {
  w.searchField.type(path);
  testing::internal::CaptureStdout();
  w.controller.open();
  return testing::internal::GetCapturedStdout();
}

std::string ConsoleTest::Send() {
  const std::size_t before = w.receivedView.text.size();
  w.controller.communicate();
  cycles_.push_back(w.receivedView.text.substr(before));
  return cycles_.back();
}

std::string ConsoleTest::TimedSend(std::chrono::steady_clock::duration& took) {
  const auto start = std::chrono::steady_clock::now();
  std::string logged = Send();
  took = std::chrono::steady_clock::now() - start;
  return logged;
}

void ConsoleTest::Play(std::function<void(PtyPeer&)> script) {
  FinishPlaying();
  script_ = std::thread([this, script = std::move(script)] { script(*peer); });
}

void ConsoleTest::FinishPlaying() {
  if (script_.joinable()) script_.join();
}

emulator::EmulatorServer& ConsoleTest::PlugInEmulator(bool announce) {
  emulator::EmulatorServer::Options options;
  options.baud = 0;
  options.announce = announce;
  auto controller = std::make_unique<emulator::EmulatorServer>(options);
  EXPECT_TRUE(controller->start()) << controller->error();
  EXPECT_EQ(controller->announcement().empty(), !announce) << "the emulator could not announce its device";
  emulators.push_back(std::move(controller));
  return *emulators.back();
}

void ConsoleTest::ExpectLogWhole() const {
  std::string all;
  for (const std::string& text : cycles_) all += text;
  EXPECT_EQ(w.receivedView.text, all);
}

bool ConsoleTest::UsbAdapterAttached() {
  for (const auto& port : QSerialPortInfo::availablePorts()) {
    if (port.hasVendorIdentifier()) return true;
  }
  return false;
}
