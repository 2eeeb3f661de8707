// No verdict rests on a status reply that was not whole: korvel-ctl's check
// and a burn-in's --verify-every behind a relay that cuts one status reply
// after its echo, against the emulated controller, and a burn-in whose
// verifying reply is another controller's.
#include <gtest/gtest.h>

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

#include <string>
#include <thread>

#include "ctl_process.h"
#include "emulated_controller.h"
#include "pty_peer.h"
#include "pty_relay.h"

namespace {

using emulator::Device;
using emulator::Variant;
using Way = PtyRelay::Way;

constexpr int kExitBadReply = 5;
constexpr int kExitFailedSteps = 7;
constexpr char kCut[] = "the reply ended before it was whole";

QJsonObject JsonOf(const std::string& out) {
  return QJsonDocument::fromJson(QByteArray::fromStdString(out)).object();
}

emulator::EmulatorOptions DuoWithOneShutter() {
  emulator::EmulatorOptions options;
  options.variant = Variant::kDuoShutterShutter;
  options.notConnected = {Device::kShutterB};
  options.baud = 0;
  return options;
}

// The identification's status reply cut after its echo: the controller is
// not moved at all, and the check says so.
TEST(WholeVerification, ACheckWhoseIdentificationIsCutMovesNothing) {
  EmulatedController controller(DuoWithOneShutter());
  ASSERT_TRUE(controller.ready());
  ASSERT_EQ(RunCtl({"--port", controller.path(), "set", "shutterA.mode=soft", "shutterA.state=open"}).status, 0);
  const emulator::ControllerState before = controller.server().state();
  controller.server().clearReceived();
  PtyRelay relay(controller.path());
  relay.cutReply({0xCC, 1}, 1);

  const CtlRun run = RunCtl({"--port", relay.path(), "check", "--yes"});

  EXPECT_EQ(run.status, kExitBadReply) << run.err;
  EXPECT_NE(run.out.find(std::string("identification: status query: bad reply: ") + kCut), std::string::npos)
      << run.out;
  EXPECT_NE(run.err.find("nothing was changed"), std::string::npos) << run.err;
  EXPECT_EQ(relay.heard(Way::kToController), (Bytes{0xEE, 0xFD, 0xCC}));
  EXPECT_EQ(controller.server().state(), before);
}

// The status query after the second step cut after its echo: that step
// fails with the reason and reports nothing; every other step passes and the
// restore verifies on a whole reply.
TEST(WholeVerification, ACutVerifyingStatusFailsItsStep) {
  EmulatedController controller(DuoWithOneShutter());
  ASSERT_TRUE(controller.ready());
  PtyRelay relay(controller.path());
  // The identification's status query is the first.
  relay.cutReply({0xCC, 3}, 1);

  const CtlRun run = RunCtl({"--port", relay.path(), "check", "--yes", "--json"});

  EXPECT_EQ(run.status, kExitFailedSteps) << run.err;
  const QJsonObject json = JsonOf(run.out);
  EXPECT_EQ(json["verdict"].toString(), "failed") << run.out;
  EXPECT_TRUE(json["restored"].toBool()) << run.out;
  const QJsonArray steps = json["steps"].toArray();
  int verifying = 0;  // steps that sent a command, each verified by a status query
  for (const QJsonValue& value : steps) {
    const QJsonObject step = value.toObject();
    if (step["result"].toString() == "skipped") continue;
    ++verifying;
    if (verifying == 2) {
      EXPECT_EQ(step["result"].toString(), "fail") << step["setting"].toString().toStdString();
      EXPECT_EQ(step["note"].toString().toStdString(), std::string("status query: bad reply: ") + kCut);
      EXPECT_EQ(step["reported"].toString(), "");
    } else {
      EXPECT_EQ(step["result"].toString(), "pass") << verifying << ": " << step["note"].toString().toStdString();
    }
  }
  EXPECT_GE(verifying, 2);
}

// The second verifying query of a burn-in cut after its echo: a bad reply,
// counted and told, never a verified round.
TEST(WholeVerification, ACutVerifyingStatusOfABurnInIsABadReply) {
  EmulatedController controller(Variant::kTriad);
  ASSERT_TRUE(controller.ready());
  PtyRelay relay(controller.path());
  // set starts with a status query; the verifying queries follow.
  relay.cutReply({0xCC, 3}, 1);

  const CtlRun run = RunCtl({"--port", relay.path(), "--repeat", "3", "--always-send", "--verify-every", "1",
                             "--json", "set", "wheelA.filter=3"});

  EXPECT_EQ(run.status, kExitBadReply) << run.err;
  const QJsonObject json = JsonOf(run.out);
  EXPECT_EQ(json["bad_replies"].toInt(), 1) << run.out;
  EXPECT_EQ(json["mismatches"].toInt(), 0) << run.out;
  EXPECT_EQ(json["runs"].toInt(), 6) << run.out;
  EXPECT_NE(run.err.find(std::string("korvel-ctl: bad reply: ") + kCut + "; what came:\nCC\n"), std::string::npos)
      << run.err;
}

// A verifying reply that is whole but of another controller's layout is a
// bad reply too: its bytes say nothing of the settings of the controller
// identified.
TEST(WholeVerification, AVerifyingReplyOfAnotherControllerIsABadReply) {
  const Bytes mono = {0xCC, 0xAC, 0xDB, 0x0D};
  PtyPeer peer;
  std::thread player([&peer, &mono] {
    const Bytes script[][2] = {{{0xEE}, {0xEE, 0x0D}},
                               {{0xCC}, {0xCC, 0x00, 0x80, 0x00, 0x00, 0xAC, 0xBC, 0xDC, 0x01, 0xDC, 0x02, 0x0D}},
                               {{0x03}, {0x03, 0x0D}},
                               {{0xCC}, mono}};
    for (const auto& [command, reply] : script) {
      if (peer.receive(command.size(), kPlayerDeadline) != command) return;
      peer.send(reply);
    }
  });
  const CtlRun run = RunCtl({"--port", peer.path(), "--verify-every", "1", "--repeat", "1", "set", "wheelA.filter=3"});
  player.join();

  EXPECT_EQ(run.status, kExitBadReply) << run.err;
  EXPECT_NE(run.out.find("bad replies: 1\n"), std::string::npos) << run.out;
  // Nothing was compared, so no mismatch count is claimed.
  EXPECT_EQ(run.out.find("mismatches:"), std::string::npos) << run.out;
  EXPECT_NE(run.err.find("korvel-ctl: bad reply: the status reply is another controller's; what came:\nCC AC DB 0D\n"),
            std::string::npos)
      << run.err;
}

}  // namespace
