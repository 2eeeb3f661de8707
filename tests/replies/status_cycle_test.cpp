// A status reply that ends early, through the command cycle: only the bytes
// received count, never what an earlier reply left in the buffer.
#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "cycle_state.h"
#include "memory_window.h"
#include "port_setup.h"
#include "pty_peer.h"
#include "serial_state.h"
#include "status_report.h"

namespace {

const std::string kSeparatorLine = std::string(40, '*') + "\n";

class StatusCycleTest : public ::testing::Test {
 protected:
  StatusCycleTest() {
    ResetSerialState();
    ResetCycleState();
  }

  ~StatusCycleTest() override {
    if (fileDescriptor >= 0) ClosePort();
  }

  void AttachLine() {
    ASSERT_LT(line.path().size(), kPathSize);
    std::strcpy(bsdPath, line.path().c_str());
    ASSERT_GE(OpenPort(), 0);
  }

  // What an earlier reply left in the buffer.
  static void LeaveInBuffer(const Bytes& earlier) { std::memcpy(Buffer, earlier.data(), earlier.size()); }

  // Moves wheel A to filter 3, speed 2 (command 0x23), and the controller
  // answers with the reply.
  void MoveWheelAnsweredBy(const Bytes& reply) {
    w.filterA.choose(3);
    w.speedA.choose(2);
    CannedReply controller(line, 1, reply);
    w.controller.communicate();
    EXPECT_EQ(controller.Received(), Bytes{0x23});
  }

  MemoryWindow w;
  PtyPeer line{PtyPeer::Start::kSystemDefaults};
};

// Bytes 1 and 2 as the buffer holds them would name a Mono.
TEST_F(StatusCycleTest, AReplyTooShortToIdentifyLeavesTheControllerUnknown) {
  ASSERT_NO_FATAL_FAILURE(AttachLine());
  LeaveInBuffer({0xCC, 0xAC, 0xDB, 0x0D});
  MoveWheelAnsweredBy({0xCC, 0xAA});

  EXPECT_EQ(itype, kUnknown);
  EXPECT_EQ(w.controllerTitle.title, "");
  EXPECT_EQ(w.otherCommand.numberOfItems(), 24);
  EXPECT_EQ(w.receivedView.text, "204       0xCC\n170       0xAA\n" + kSeparatorLine);
  EXPECT_EQ(w.statusView.text, kReplyEndedEarly);
}

TEST_F(StatusCycleTest, FieldsPastTheReplyKeepTheWindowsValues) {
  ASSERT_NO_FATAL_FAILURE(AttachLine());
  itype = kDuoWheelShutter;
  LeaveInBuffer({0xCC, 0x00, 0xAA, 0xDB, 0x0D});
  // Without the move's echo 0x23 among them, the bytes are the reply as they
  // came (a 0x23 would start the reply there and drop the 0xCC before it).
  MoveWheelAnsweredBy({0xCC, 0x13});

  EXPECT_EQ(w.statusView.text,
            "********  Duo Controller Current Status  ********\n"
            "- Wheel :              Filter 3;    Speed 1\n" +
                std::string(kReplyEndedEarly));
  EXPECT_EQ(w.filterA.numberOfItems(), 10);
  EXPECT_EQ(w.filterA.text, "Filter 3");
  EXPECT_EQ(w.shutterAstatus.indexOfSelectedItem(), 0) << "the stale 0xAA is no report of an open shutter";
  EXPECT_EQ(w.shutterAmode.numberOfItems(), 4) << "the stale 0xDB is no report of a missing shutter";
  EXPECT_FALSE(w.shutterAmode.gray);
}

}  // namespace
