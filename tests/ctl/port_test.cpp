// korvel-ctl where the port or the controller fails it, played by a test on
// a real pseudo-terminal: a path that is no device, a port another program
// holds, a controller that stays silent, and a status reply that stops early.
#include <gtest/gtest.h>

#include <signal.h>

#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <thread>

#include "ctl_process.h"
#include "emulated_controller.h"
#include "pty_peer.h"
#include "users_files.h"

namespace {

using namespace std::chrono_literals;

bool EndsWith(const std::string& text, const std::string& end) {
  return text.size() >= end.size() && text.compare(text.size() - end.size(), end.size(), end) == 0;
}

// Without --port korvel-ctl searches as Search does: an announced emulator
// comes before the system's other serial ports, and is the one picked.
TEST(PortSearch, PortsListsTheEmulatorFirstAndStatusFindsIt) {
  char dir[] = "/tmp/korvel-ctl-test-XXXXXX";
  ASSERT_NE(mkdtemp(dir), nullptr);
  ASSERT_EQ(setenv("KORVEL_EMULATOR_DIR", dir, 1), 0);
  {
    emulator::EmulatorServer::Options options;
    options.variant = emulator::Variant::kMono;
    emulator::EmulatorServer server(options);
    ASSERT_TRUE(server.start());
    const CtlRun ports = RunCtl({"ports"});
    EXPECT_EQ(ports.status, 0) << ports.err;
    const std::string first = ports.out.substr(0, ports.out.find('\n') + 1);
    char line[256];
    std::snprintf(line, sizeof line, "* %-24s emulated controller\n", server.devicePath().c_str());
    EXPECT_EQ(first, line);
    EXPECT_EQ(std::count(ports.out.begin(), ports.out.end(), '*'), 1) << ports.out;
    const CtlRun status = RunCtl({"status", "--json"});
    EXPECT_EQ(status.status, 0) << status.err;
    EXPECT_EQ(status.out.rfind("{\"variant\": \"mono\"", 0), 0u) << status.out;
    EXPECT_EQ(server.received(), (Bytes{0xEE, 0xCC}));
  }
  unsetenv("KORVEL_EMULATOR_DIR");
  rmdir(dir);
}

// The user's own files in the emulators' folder stay, whatever their names
// or text, and none is offered as a port.
TEST(PortSearch, PortsLeavesTheUsersFilesInTheEmulatorsFolder) {
  char dir[] = "/tmp/korvel-ctl-test-XXXXXX";
  ASSERT_NE(mkdtemp(dir), nullptr);
  ASSERT_EQ(setenv("KORVEL_EMULATOR_DIR", dir, 1), 0);
  PlantUsersFiles(dir);
  const CtlRun ports = RunCtl({"ports"});
  unsetenv("KORVEL_EMULATOR_DIR");
  EXPECT_EQ(ports.out.find("emulated controller"), std::string::npos) << ports.out;
  EXPECT_EQ(UsersFilesLost(dir), std::vector<std::string>{});
  for (const UsersFile& file : UsersFiles()) unlink((std::string(dir) + "/" + file.name).c_str());
  EXPECT_EQ(rmdir(dir), 0);
}

// korvel-ctl speaks to a shell user: none of its messages names the window's
// buttons or the window itself.
void ExpectNoWindowWords(const std::string& err) {
  for (const char* word : {"Search", "Open again", "window", "Command Ignored", "Local mode"}) {
    EXPECT_EQ(err.find(word), std::string::npos) << word << " in " << err;
  }
}

// The serial link's raw line only with --verbose; korvel-ctl's own words always.
TEST(PortFailure, APathThatIsNoDeviceIsNotOpened) {
  const std::string ownWords =
      "korvel-ctl: /nonexistent/tty: no such device; check that the controller's adapter is plugged in, or name the "
      "controller's port with --port (korvel-ctl ports lists the serial ports).\n";
  const CtlRun run = RunCtl({"--port", "/nonexistent/tty", "status"});
  EXPECT_EQ(run.status, 4);
  EXPECT_EQ(run.out, "");
  EXPECT_EQ(run.err, ownWords);
  ExpectNoWindowWords(run.err);
  const CtlRun verbose = RunCtl({"--port", "/nonexistent/tty", "--verbose", "status"});
  EXPECT_EQ(verbose.status, 4);
  EXPECT_NE(verbose.err.find("Error opening serial port /nonexistent/tty"), std::string::npos) << verbose.err;
  EXPECT_TRUE(EndsWith(verbose.err, ownWords)) << verbose.err;
}

// Another korvel-ctl in a burn-in holds the port as the console does:
// exclusive mode and an advisory lock (which also stops root). The refused
// run names it by its process.
TEST(PortFailure, APortHeldByAnotherProgramIsNotOpened) {
  EmulatedController controller(emulator::Variant::kTriad);
  ASSERT_TRUE(controller.ready());
  // Paced so that it still holds the port however fast the line answers.
  CtlProcess holder({"--port", controller.path(), "--repeat", "1000", "--interval", "100", "status"});
  const auto deadline = std::chrono::steady_clock::now() + 10s;
  while (controller.server().received().size() < 2 && std::chrono::steady_clock::now() < deadline) {
    std::this_thread::sleep_for(5ms);
  }
  ASSERT_GE(controller.server().received().size(), 2u);
  const CtlRun run = RunCtl({"--port", controller.path(), "status"});
  const pid_t holderPid = holder.pid();
  kill(holderPid, SIGINT);
  EXPECT_EQ(holder.Finish().status, 128 + SIGINT);
  EXPECT_EQ(run.status, 4);
  EXPECT_EQ(run.out, "");
  EXPECT_EQ(run.err, "korvel-ctl: " + controller.path() + ": korvel-ctl (process " + std::to_string(holderPid) +
                         ") holds the port; end it, or name the controller's port with --port (korvel-ctl ports "
                         "lists the serial ports).\n");
  ExpectNoWindowWords(run.err);
  // Every EE was the holder's open: the refused run sent nothing.
  const auto received = controller.server().received();
  EXPECT_EQ(std::count(received.begin(), received.end(), 0xEE), 1);
}

TEST(PortFailure, ASilentControllerIsNoReply) {
  PtyPeer peer;
  const CtlRun run = RunCtl({"--port", peer.path(), "status"});
  EXPECT_EQ(run.status, 3);
  EXPECT_EQ(run.out, "");
  EXPECT_TRUE(EndsWith(run.err, "korvel-ctl: " + peer.path() + ": the controller did not answer the on-line byte\n"))
      << run.err;
  EXPECT_EQ(peer.pending(), Bytes{0xEE});
}

// A controller that falls silent after the on-line byte: the operator hears
// how long korvel-ctl waited and why a controller stays quiet, not the
// window's log line.
TEST(PortFailure, AControllerFallenSilentSaysNoReplyInItsOwnWords) {
  emulator::EmulatorOptions options;
  options.baud = 0;
  options.silentAfter = 1;
  EmulatedController controller(options);
  ASSERT_TRUE(controller.ready());
  const CtlRun run = RunCtl({"--port", controller.path(), "status"});
  EXPECT_EQ(run.status, 3);
  EXPECT_EQ(run.out, "");
  EXPECT_EQ(run.err,
            "korvel-ctl: no reply within 1 s: the controller may be switched off, not on line, on another port, or "
            "set to another baud rate than 300\n");
  ExpectNoWindowWords(run.err);
}

// The controller answers the on-line byte, then replies to the status query
// with the reply given and goes quiet.
class TruncatedStatus {
 public:
  TruncatedStatus(PtyPeer& peer, Bytes statusReply)
      : player_([&peer, statusReply] {
          if (peer.receive(1, kPlayerDeadline) != Bytes{0xEE}) return;
          peer.send({0xEE, 0x0D});
          if (peer.receive(1, kPlayerDeadline) != Bytes{0xCC}) return;
          peer.send(statusReply);
        }) {}
  ~TruncatedStatus() { player_.join(); }

 private:
  std::thread player_;
};

// A Triad reply that stops after shutter A's state: what it holds is shown,
// and the exit status and standard error say it was cut short.
const Bytes kTriadCut = {0xCC, 0x37, 0x80, 0xFC, 0x00, 0xAC};
const std::string kCutShort =
    "korvel-ctl: bad reply: the reply ended before it was whole; what came:\nCC 37 80 FC 00 AC\n";

TEST(EarlyEnd, TheJsonHoldsTheSettingsReceivedAndIsNotComplete) {
  PtyPeer peer;
  TruncatedStatus controller(peer, kTriadCut);
  const CtlRun run = RunCtl({"--port", peer.path(), "status", "--json"});
  EXPECT_EQ(run.status, 5) << run.err;
  EXPECT_EQ(run.err, kCutShort);
  EXPECT_EQ(TimesHidden(run.out),
            "{\"variant\": \"triad\", \"wheels\": {\"A\": {\"filter\": 7, \"speed\": 3}, \"B\": {\"filter\": 0, "
            "\"speed\": 0}, \"C\": {\"filter\": 0, \"speed\": 0}}, \"shutters\": {\"A\": {\"state\": \"closed\"}}, "
            "\"complete\": false, \"echo_ms\":#,\"reply_ms\":#}\n");
}

TEST(EarlyEnd, TheReportSaysSoAsTheWindowDoes) {
  PtyPeer peer;
  TruncatedStatus controller(peer, kTriadCut);
  const CtlRun run = RunCtl({"--port", peer.path(), "--verbose", "status"});
  EXPECT_EQ(run.status, 5) << run.err;
  EXPECT_EQ(run.out,
            "********  Triad Controller Current Status  ********\n"
            "- Wheel A :              Filter 7;    Speed 3\n"
            "- Wheel B :              Filter 0;    Speed 0\n"
            "- Wheel C :              Filter 0;    Speed 0\n"
            "- Shutter A status :  Close\n"
            "- Reply ended early: the remaining settings were not received.\n");
  // --verbose: the log as the window's log shows it, then why it is bad.
  EXPECT_EQ(TimesHidden(run.err),
            "204       0xCC\n55         0x37\n128       0x80\n252       0xFC\n0           0x0\n172       0xAC\n"
            "time: #\n****************************************\n" +
                kCutShort);
}

}  // namespace
