// korvel-ctl check against a controller played by the test whose
// identification does not come whole: a configuration or status reply cut
// short or missing, a status reply of another controller or with a code no
// controller sends. The check ends after its two queries, sends nothing
// more, says why and that nothing was changed, and exits 5 or 3.
#include <gtest/gtest.h>

#include <QJsonDocument>
#include <QJsonObject>

#include <string>
#include <thread>
#include <vector>

#include "case_name.h"
#include "configuration_reply.h"
#include "ctl_process.h"
#include "pty_peer.h"

namespace {

constexpr int kExitNoReply = 3;
constexpr int kExitBadReply = 5;

// One command the controller expects and what it answers; no answer at all
// when the reply is empty.
struct Exchange {
  Bytes command;
  Bytes reply;
};

Bytes ConfigurationReply(emulator::Variant variant) {
  Bytes reply{0xFD};
  for (const uint8_t c : emulator::ConfigurationAnswer(variant)) reply.push_back(c);
  reply.push_back(0x0D);
  return reply;
}

Bytes Cut(Bytes reply, std::size_t length) {
  reply.resize(length);
  return reply;
}

const Exchange kOnLine = {{0xEE}, {0xEE, 0x0D}};
const Exchange kTriadConfiguration = {{0xFD}, ConfigurationReply(emulator::Variant::kTriad)};
const Bytes kTriadStatus = {0xCC, 0x41, 0xB2, 0x00, 0x0A, 0xAA, 0xBA, 0xDD, 0x01, 0xDE, 0x02, 0x90, 0x0D};
const Bytes kMonoStatus = {0xCC, 0xAC, 0xDC, 0x00, 0xA0, 0xB0, 0x00, 0x00, 0x00, 0x00,
                           0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0xF0, 0xFF, 0xFF, 0x0D};

// Plays the exchanges in order on its own thread, then leaves the line alone.
class ScriptedController {
 public:
  ScriptedController(PtyPeer& peer, std::vector<Exchange> script)
      : player_([&peer, script = std::move(script)] {
          for (const Exchange& e : script) {
            if (peer.receive(e.command.size(), kPlayerDeadline) != e.command) return;
            if (!e.reply.empty()) peer.send(e.reply);
          }
        }) {}
  ~ScriptedController() { player_.join(); }

 private:
  std::thread player_;
};

struct IdentificationCase {
  std::string name;
  std::vector<Exchange> script;
  int status;
  std::string why;  // the identification's failure
};

void PrintTo(const IdentificationCase& c, std::ostream* os) { *os << c.name; }

const IdentificationCase kCases[] = {
    {"StatusCutAfterItsEcho",
     {kOnLine, kTriadConfiguration, {{0xCC}, {0xCC}}},
     kExitBadReply,
     "status query: bad reply: the reply ended before it was whole"},
    {"StatusCutOneByteShort",
     {kOnLine, kTriadConfiguration, {{0xCC}, Cut(kTriadStatus, kTriadStatus.size() - 1)}},
     kExitBadReply,
     "status query: bad reply: the reply ended before it was whole"},
    {"StatusOfAnotherController",
     {kOnLine, kTriadConfiguration, {{0xCC}, kMonoStatus}},
     kExitBadReply,
     "status query: bad reply: the status reply is another controller's"},
    // A Duo wheel/shutter whose wheel reports filter 12: no position to set
    // again at the end.
    {"StatusWithAWheelCodeNoControllerSends",
     {kOnLine, {{0xFD}, ConfigurationReply(emulator::Variant::kDuoWheelShutter)}, {{0xCC}, {0xCC, 0x4C, 0xAA, 0xDC, 0x0D}}},
     kExitBadReply,
     "status query: bad reply: the status reply holds a code no controller sends in its place"},
    {"StatusSilent", {kOnLine, kTriadConfiguration, {{0xCC}, {}}}, kExitNoReply, "status query: no reply"},
    {"ConfigurationCutShort",
     {kOnLine, {{0xFD}, Cut(ConfigurationReply(emulator::Variant::kTriad), 12)}},
     kExitBadReply,
     "configuration query: bad reply: the reply ended before it was whole"},
    {"ConfigurationSilent", {kOnLine, {{0xFD}, {}}}, kExitNoReply, "configuration query: no reply"},
};

class CheckIdentification : public testing::TestWithParam<IdentificationCase> {};

TEST_P(CheckIdentification, EndsBeforeAnythingMovesAndSaysWhy) {
  const IdentificationCase& c = GetParam();
  PtyPeer peer;
  CtlRun run;
  {
    ScriptedController controller(peer, c.script);
    run = RunCtl({"--port", peer.path(), "check", "--yes"});
  }
  EXPECT_EQ(run.status, c.status) << run.err;
  EXPECT_EQ(run.out, "verdict: " + std::string(c.status == kExitNoReply ? "no reply" : "bad reply") +
                         "\nidentification: " + c.why +
                         "\nthe check ended before anything moved: nothing was changed\n");
  EXPECT_EQ(run.err, "korvel-ctl: " + c.why + "; the check ended before anything moved: nothing was changed\n");
  // Nothing after the queries the script answered.
  EXPECT_EQ(peer.pending(), Bytes{});
}

INSTANTIATE_TEST_SUITE_P(Ctl, CheckIdentification, testing::ValuesIn(kCases), CaseName());

TEST(CheckIdentificationJson, NamesWhyAndThatNothingWasChanged) {
  PtyPeer peer;
  CtlRun run;
  {
    ScriptedController controller(peer, {kOnLine, kTriadConfiguration, {{0xCC}, {0xCC}}});
    run = RunCtl({"--port", peer.path(), "check", "--yes", "--json"});
  }
  EXPECT_EQ(run.status, kExitBadReply) << run.err;
  const QJsonObject json = QJsonDocument::fromJson(QByteArray::fromStdString(run.out)).object();
  EXPECT_EQ(json["verdict"].toString(), "bad reply") << run.out;
  EXPECT_EQ(json["identification"].toString(), "status query: bad reply: the reply ended before it was whole");
  EXPECT_EQ(json["restored"].toBool(true), false);
  EXPECT_EQ(json["restore_note"].toString(), "nothing was changed");
  EXPECT_EQ(json["planned"].toInt(-1), 0);
  EXPECT_EQ(peer.pending(), Bytes{});
}

}  // namespace
