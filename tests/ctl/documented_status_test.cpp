// korvel-ctl status --json against a controller played by the test that
// answers with the status replies the controller is documented to send, byte
// for byte, and with other bytes in the places their layouts skip: every
// value comes out, exit 0.
#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <thread>
#include <vector>

#include "case_name.h"
#include "ctl_process.h"
#include "pty_peer.h"

namespace {

struct DocumentedCase {
  std::string name;
  Bytes reply;  // the echoed 0xCC first, the closing 0x0D last
  std::vector<std::size_t> skipped;
  std::string json;  // korvel-ctl's output, times hidden
};

void PrintTo(const DocumentedCase& c, std::ostream* os) { *os << c.name; }

constexpr char kTimes[] = ", \"echo_ms\":#,\"reply_ms\":#}\n";

const DocumentedCase kDocumented[] = {
    {"DuoWheelShutterNeutralDensity25",
     {0xCC, 0x32, 0xAA, 0xDE, 0x19, 0x0D},
     {},
     "{\"variant\": \"duo-wheel-shutter\", \"wheels\": {\"A\": {\"filter\": 2, \"speed\": 3}, \"B\": null, \"C\": "
     "null}, \"shutters\": {\"A\": {\"state\": \"open\", \"mode\": \"nd\", \"steps\": 25}, \"B\": null}, "
     "\"complete\": true"},
    {"DuoWheelShutterNothingConnected",
     {0xCC, 0x0A, 0xAC, 0xDB, 0x0D},
     {},
     "{\"variant\": \"duo-wheel-shutter\", \"wheels\": {\"A\": null, \"B\": null, \"C\": null}, \"shutters\": {\"A\": "
     "null, \"B\": null}, \"complete\": true"},
    {"DuoShutterShutterAInNeutralDensity64",
     {0xCC, 0xAB, 0xBC, 0xDE, 0x01, 0x40, 0xDC, 0x02, 0x0D},
     {4, 7},
     "{\"variant\": \"duo-shutter-shutter\", \"wheels\": {\"A\": null, \"B\": null, \"C\": null}, \"shutters\": "
     "{\"A\": {\"state\": \"conditional\", \"mode\": \"nd\", \"steps\": 64}, \"B\": {\"state\": \"closed\", \"mode\": "
     "\"fast\", \"steps\": 0}}, \"complete\": true"},
    {"TriadWheelCMissingBInNeutralDensity144",
     {0xCC, 0x41, 0xB2, 0x00, 0x0A, 0xAA, 0xBA, 0xDD, 0x01, 0xDE, 0x02, 0x90, 0x0D},
     {3, 8, 10},
     "{\"variant\": \"triad\", \"wheels\": {\"A\": {\"filter\": 1, \"speed\": 4}, \"B\": {\"filter\": 2, \"speed\": "
     "3}, \"C\": null}, \"shutters\": {\"A\": {\"state\": \"open\", \"mode\": \"soft\", \"steps\": 0}, \"B\": "
     "{\"state\": \"open\", \"mode\": \"nd\", \"steps\": 144}}, \"complete\": true"},
    {"MonoNeutralDensity10Repeat500",
     {0xCC, 0xAA, 0xDE, 0x0A, 0x00, 0xA2, 0xB2, 0x11, 0x1E, 0x2D, 0x12, 0x34, 0x22, 0x00, 0x05, 0x00, 0x07, 0xF3, 0x01,
      0xF4, 0x0D},
     {4},
     "{\"variant\": \"mono\", \"wheels\": {\"A\": null, \"B\": null, \"C\": null}, \"shutters\": {\"A\": {\"state\": "
     "\"open\", \"mode\": \"nd\", \"steps\": 10}, \"B\": null}, \"ttlIn\": \"low\", \"ttlOut\": \"low\", "
     "\"closedTime\": {\"hours\": 1, \"minutes\": 30, \"seconds\": 45, \"milliseconds\": 123, \"tenths\": 4}, "
     "\"exposureTime\": {\"hours\": 2, \"minutes\": 0, \"seconds\": 5, \"milliseconds\": 0, \"tenths\": 7}, "
     "\"freeRun\": \"go\", \"repeat\": 500, \"complete\": true"},
    {"MonoFastContinuous",
     {0xCC, 0xAC, 0xDC, 0x00, 0xA0, 0xB0, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0xF0, 0xFF, 0xFF,
      0x0D},
     {3},
     "{\"variant\": \"mono\", \"wheels\": {\"A\": null, \"B\": null, \"C\": null}, \"shutters\": {\"A\": {\"state\": "
     "\"closed\", \"mode\": \"fast\", \"steps\": 0}, \"B\": null}, \"ttlIn\": \"disable\", \"ttlOut\": \"disable\", "
     "\"closedTime\": {\"hours\": 0, \"minutes\": 0, \"seconds\": 0, \"milliseconds\": 0, \"tenths\": 0}, "
     "\"exposureTime\": {\"hours\": 0, \"minutes\": 0, \"seconds\": 0, \"milliseconds\": 0, \"tenths\": 0}, "
     "\"freeRun\": \"disable\", \"repeat\": \"continuous\", \"complete\": true"},
};

// Each documented reply as it is, and with 00, FC and 55 in its skipped
// places.
std::vector<DocumentedCase> Cases() {
  std::vector<DocumentedCase> cases;
  const std::optional<unsigned char> fills[] = {std::nullopt, 0x00, 0xFC, 0x55};
  const char* const fillNames[] = {"", "Skipped00", "SkippedFC", "Skipped55"};
  for (const DocumentedCase& documented : kDocumented) {
    for (std::size_t f = 0; f < std::size(fills); ++f) {
      if (fills[f] && documented.skipped.empty()) continue;
      DocumentedCase c = documented;
      c.name += fillNames[f];
      for (const std::size_t at : c.skipped) c.reply[at] = fills[f].value_or(c.reply[at]);
      cases.push_back(c);
    }
  }
  return cases;
}

// Answers the on-line byte, then the status query with the reply given.
class DocumentedController {
 public:
  DocumentedController(PtyPeer& peer, Bytes statusReply)
      : player_([this, &peer, statusReply] {
          if (peer.receive(1, kPlayerDeadline) != Bytes{0xEE}) return;
          peer.send({0xEE, 0x0D});
          query_ = peer.receive(1, kPlayerDeadline);
          if (query_ == Bytes{0xCC}) peer.send(statusReply);
        }) {}
  ~DocumentedController() { Received(); }

  // The status query as it arrived; waits for the player to end.
  Bytes Received() {
    if (player_.joinable()) player_.join();
    return query_;
  }

 private:
  Bytes query_;  // before the player, which fills it
  std::thread player_;
};

class DocumentedStatus : public testing::TestWithParam<DocumentedCase> {};

TEST_P(DocumentedStatus, JsonHoldsEveryValueAndExitsZero) {
  const DocumentedCase& c = GetParam();
  PtyPeer peer;
  DocumentedController controller(peer, c.reply);
  const CtlRun run = RunCtl({"--port", peer.path(), "status", "--json"});
  EXPECT_EQ(controller.Received(), Bytes{0xCC});
  EXPECT_EQ(run.status, 0) << run.err;
  EXPECT_EQ(run.err, "");
  EXPECT_EQ(TimesHidden(run.out), c.json + kTimes);
}

INSTANTIATE_TEST_SUITE_P(Ctl, DocumentedStatus, testing::ValuesIn(Cases()), CaseName());

}  // namespace
