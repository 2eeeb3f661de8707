// Sessions on the in-memory window against the controller emulator: the
// first reply identifies the controller and reshapes the window, the status
// report shows what the controller holds, and the variant's own commands work.
#include <gtest/gtest.h>

#include <cstring>
#include <memory>
#include <set>
#include <string>

#include "case_name.h"
#include "cycle_state.h"
#include "memory_window.h"
#include "port_setup.h"
#include "pty_server.h"
#include "serial_state.h"

namespace {

using Bytes = std::vector<unsigned char>;
using emulator::Device;
using emulator::ShutterMode;
using emulator::ShutterState;
using emulator::WheelSetting;

const std::string kDuoTitle = "********  Duo Controller Current Status  ********\n";
const std::string kTriadTitle = "********  Triad Controller Current Status  ********\n";
const std::string kMonoTitle = "********  Mono Controller Current Status  ********\n";

std::string TriadWheel(char wheel, int filter, int speed) {
  return std::string("- Wheel ") + wheel + " :              Filter " + std::to_string(filter) + ";    Speed " +
         std::to_string(speed) + "\n";
}

// The Mono report's lines after the mode, as the emulator starts.
const std::string kMonoDefaults =
    "- Shutter TTL IN :                TTL IN disable\n"
    "- Shutter TTL OUT :             TTL OUT disable\n"
    "- Shutter Closed Time :       0 hrs : 0 mins : 0 s : 0.0 ms\n"
    "- Shutter Exposure Time :   0 hrs : 0 mins : 0 s : 0.0 ms\n"
    "- Shutter Free Run :            Free run disable\n"
    "- Shutter Free Run :            Repeat Number is 0\n";

const std::string kTriadAtStart = kTriadTitle + TriadWheel('A', 0, 0) + TriadWheel('B', 0, 0) + TriadWheel('C', 0, 0) +
                                  "- Shutter A status :  Close\n" + "- Shutter B status :  Close\n" +
                                  "- Shutter A mode :   Fast\n" + "- Shutter B mode :   Fast\n";
const std::string kDuoWheelShutterAtStart = kDuoTitle + "- Wheel :              Filter 0;    Speed 0\n" +
                                            "- Shutter status :  Close\n" + "- Shutter mode :   Fast\n";
const std::string kDuoShutterShutterAtStart = kDuoTitle + "- Shutter A status :  Close\n" +
                                              "- Shutter B status :  Close\n" + "- Shutter A mode :   Fast\n" +
                                              "- Shutter B mode :   Fast\n";
const std::string kMonoAtStart = kMonoTitle + "- Shutter status :                 Close\n" +
                                 "- Shutter mode :                  Fast\n" + kMonoDefaults;

class EmulatorSession : public ::testing::Test {
 protected:
  EmulatorSession() {
    ResetSerialState();
    ResetCycleState();
  }

  ~EmulatorSession() override {
    if (fileDescriptor >= 0) ClosePort();
  }

  // baud 0: the emulator answers at once.
  void Start(emulator::Variant variant, int baud = 0, std::set<Device> notConnected = {}) {
    emulator::EmulatorServer::Options options;
    options.variant = variant;
    options.baud = baud;
    options.notConnected = std::move(notConnected);
    options.announce = false;
    server = std::make_unique<emulator::EmulatorServer>(options);
    ASSERT_TRUE(server->start()) << server->error();
    ASSERT_LT(server->devicePath().size(), kPathSize);
    std::strcpy(bsdPath, server->devicePath().c_str());
    w.controller.open();
    ASSERT_EQ(w.openField.text, "Port is ready for communication.");
  }

  // One cycle; the bytes that reached the controller.
  Bytes Send() {
    server->clearReceived();
    w.controller.communicate();
    return server->received();
  }

  // The status query; the report it added to the status view.
  std::string QueryStatus() {
    const std::size_t before = w.statusView.text.size();
    w.otherCommand.choose(1);
    EXPECT_EQ(Send(), Bytes{0xCC});
    return w.statusView.text.substr(before);
  }

  MemoryWindow w;
  std::unique_ptr<emulator::EmulatorServer> server;
};

// ---- At the line's own rate, each variant ----------------------------------

struct PacedCase {
  const char* name;
  emulator::Variant variant;
  int32_t itype;
  const char* title;
  int32_t commandItems;
  std::string firstReport;
  Bytes modeCommand;   // neutral density, 20 steps
  Bytes stepsCommand;  // 21 steps
  std::string lastReport;
};

void PrintTo(const PacedCase& c, std::ostream* os) { *os << c.name; }

class PacedSession : public EmulatorSession, public ::testing::WithParamInterface<PacedCase> {};

TEST_P(PacedSession, IdentifiesReportsAndThenTakesModeAndSteps) {
  const PacedCase& c = GetParam();
  ASSERT_NO_FATAL_FAILURE(Start(c.variant, 300));
  EXPECT_EQ(QueryStatus(), c.firstReport);
  EXPECT_EQ(itype, c.itype);
  EXPECT_EQ(w.controllerTitle.title, c.title);
  EXPECT_EQ(w.otherCommand.numberOfItems(), c.commandItems);
  EXPECT_EQ(w.otherCommand.text, w.otherCommand.items[0]) << "the prompt shows between cycles";
  EXPECT_EQ(w.shutterAmode.numberOfItems(), 3);

  w.shutterAmode.choose(2);
  w.shutterAsteps.type("20");
  EXPECT_EQ(Send(), c.modeCommand);
  w.shutterAsteps.type("21");
  EXPECT_EQ(Send(), c.stepsCommand);
  EXPECT_EQ(server->state().shutters[0].mode, ShutterMode::kNeutralDensity);
  EXPECT_EQ(server->state().shutters[0].steps, 21);

  EXPECT_EQ(QueryStatus(), c.lastReport);
  EXPECT_EQ(w.shutterAmode.text, "Neutral density");
  EXPECT_EQ(w.shutterAsteps.text, "21");
}

INSTANTIATE_TEST_SUITE_P(
    Variants, PacedSession,
    ::testing::Values(
        PacedCase{"Triad", emulator::Variant::kTriad, kTriad, "Korvel Triad Controller:", 10, kTriadAtStart,
                  Bytes{0xDE, 0x01, 20}, Bytes{0xDE, 0x01, 21},
                  kTriadTitle + TriadWheel('A', 0, 0) + TriadWheel('B', 0, 0) + TriadWheel('C', 0, 0) +
                      "- Shutter A status :  Close\n" + "- Shutter B status :  Close\n" +
                      "- Shutter A mode :   Neutral density\n" +
                      "- Shutter A mode :   Neutral density steps number is 21\n" + "- Shutter B mode :   Fast\n"},
        PacedCase{
            "DuoWheelShutter", emulator::Variant::kDuoWheelShutter, kDuoWheelShutter,
            "Korvel Duo Controller - Wheel/Shutter:", 8, kDuoWheelShutterAtStart, Bytes{0xDE, 20}, Bytes{0xDE, 21},
            kDuoTitle + "- Wheel :              Filter 0;    Speed 0\n" + "- Shutter status :  Close\n" +
                "- Shutter mode :   Neutral density\n" + "- Shutter mode :   Neutral density steps number is 21 \n"},
        PacedCase{"DuoShutterShutter", emulator::Variant::kDuoShutterShutter, kDuoShutterShutter,
                  "Korvel Duo Controller - Shutter/Shutter:", 8, kDuoShutterShutterAtStart, Bytes{0xDE, 0x01, 20},
                  Bytes{0xDE, 0x01, 21},
                  kDuoTitle + "- Shutter A status :  Close\n" + "- Shutter B status :  Close\n" +
                      "- Shutter A mode :   Neutral density\n" +
                      "- Shutter A mode :   Neutral density steps number is 21\n" + "- Shutter B mode :   Fast\n"},
        PacedCase{"Mono", emulator::Variant::kMono, kMono, "Korvel Mono Controller:", 22, kMonoAtStart, Bytes{0xDE, 20},
                  Bytes{0xDE, 21},
                  kMonoTitle + "- Shutter status :                 Close\n" +
                      "- Shutter mode :                  Neutral density\n" +
                      "- Shutter mode :                  Neutral density steps number is 21\n" + kMonoDefaults}),
    CaseName());

// ---- The configuration query ------------------------------------------------

struct ConfigurationCase {
  const char* name;
  emulator::Variant variant;
  int32_t itype;
  std::string echo;
};

void PrintTo(const ConfigurationCase& c, std::ostream* os) { *os << c.name; }

class ConfigurationSession : public EmulatorSession, public ::testing::WithParamInterface<ConfigurationCase> {};

TEST_P(ConfigurationSession, TheConfigurationReplyIsLoggedAsTextAndIdentifies) {
  const ConfigurationCase& c = GetParam();
  ASSERT_NO_FATAL_FAILURE(Start(c.variant));
  w.otherCommand.choose(2);
  EXPECT_EQ(Send(), Bytes{0xFD});
  EXPECT_EQ(w.receivedView.text, "253       0xFD\n" + c.echo + "13       0xD\n" + std::string(40, '*') + "\n");
  EXPECT_EQ(itype, c.itype);
  EXPECT_EQ(w.statusView.text, "");
}

INSTANTIATE_TEST_SUITE_P(Variants, ConfigurationSession,
                         ::testing::Values(ConfigurationCase{"Triad", emulator::Variant::kTriad, kTriad,
                                                             "3W2S\n Tria\nd con\ntroll\ner fw\n 1.07\n"},
                                           ConfigurationCase{"DuoWheelShutter", emulator::Variant::kDuoWheelShutter,
                                                             kDuoWheelShutter, "1W1S\n Duo\n 1.0\n"},
                                           ConfigurationCase{"DuoShutterShutter", emulator::Variant::kDuoShutterShutter,
                                                             kDuoShutterShutter, "2S D\nuo fw\n 1.07\n"},
                                           ConfigurationCase{"Mono", emulator::Variant::kMono, kMono,
                                                             "Mono fw \n1.07\n"}),
                         CaseName());

// Identified by its configuration, the Duo wheel/shutter hides wheels B and
// C; the status report that follows leaves them as they are.
TEST_F(EmulatorSession, AStatusQueryAfterTheConfigurationQueryOnlyReports) {
  ASSERT_NO_FATAL_FAILURE(Start(emulator::Variant::kDuoWheelShutter));
  w.otherCommand.choose(2);
  Send();
  ASSERT_EQ(itype, kDuoWheelShutter);
  EXPECT_EQ(QueryStatus(), kDuoWheelShutterAtStart);
  EXPECT_TRUE(w.filterB.hidden);
  EXPECT_EQ(w.filterB.numberOfItems(), 11);
  EXPECT_FALSE(w.filterB.gray);
  EXPECT_EQ(w.filterA.numberOfItems(), 10);
}

// ---- Each variant's own commands ---------------------------------------------

TEST_F(EmulatorSession, TriadCombinedSettingAndBatchShowInTheNextReport) {
  ASSERT_NO_FATAL_FAILURE(Start(emulator::Variant::kTriad));
  ASSERT_EQ(QueryStatus(), kTriadAtStart);
  EXPECT_TRUE(w.tHour.hidden);

  w.filterA.choose(3);
  w.speedA.choose(2);
  w.filterB.choose(1);
  w.shutterAstatus.choose(1);
  w.otherCommand.choose(8);
  EXPECT_EQ(Send(), (Bytes{0xDF, 0x23, 0x81, 0xAA, 0xBC}));
  EXPECT_EQ(server->state().wheels[0], (WheelSetting{3, 2}));
  EXPECT_EQ(server->state().wheels[1], (WheelSetting{1, 0}));
  EXPECT_EQ(server->state().shutters[0].state, ShutterState::kOpen);

  w.filterC.choose(5);
  w.speedC.choose(1);
  w.shutterBstatus.choose(2);
  w.otherCommand.choose(9);
  EXPECT_EQ(Send(), (Bytes{0xBD, 0xFC, 0x15, 0xBB, 0xBE}));
  EXPECT_EQ(server->state().wheels[2], (WheelSetting{5, 1}));
  EXPECT_EQ(server->state().shutters[1].state, ShutterState::kOpenConditional);

  EXPECT_EQ(QueryStatus(), kTriadTitle + TriadWheel('A', 3, 2) + TriadWheel('B', 1, 0) + TriadWheel('C', 5, 1) +
                               "- Shutter A status :  Open\n" + "- Shutter B status :  Open conditional\n" +
                               "- Shutter A mode :   Fast\n" + "- Shutter B mode :   Fast\n");
  EXPECT_EQ(Send(), Bytes{}) << "the reported settings count as sent";
}

// A missing device's lists keep only their not-connected entry, which sends
// nothing.
TEST_F(EmulatorSession, TriadMissingDevicesAreCutFromTheWindow) {
  ASSERT_NO_FATAL_FAILURE(Start(emulator::Variant::kTriad, 0, {Device::kWheelC, Device::kShutterB}));
  EXPECT_EQ(QueryStatus(), kTriadTitle + TriadWheel('A', 0, 0) + TriadWheel('B', 0, 0) +
                               "- Wheel C :              Not connected\n" + "- Shutter A status :  Close\n" +
                               "- Shutter B status :  Close\n" + "- Shutter A mode :   Fast\n" +
                               "- Shutter B mode :   Tandel shutter not connected\n");
  EXPECT_EQ(w.filterC.items, std::vector<std::string>{"Not connected"});
  EXPECT_TRUE(w.speedC.gray);
  EXPECT_EQ(w.shutterBmode.items, std::vector<std::string>{"Not connected"});
  EXPECT_FALSE(w.shutterBsteps.editable);

  EXPECT_FALSE(w.shutterBsteps.type("5"));
  w.filterC.choose(0);
  w.shutterBmode.choose(0);
  EXPECT_EQ(Send(), Bytes{}) << "the lone entries are what the window remembers";
}

TEST_F(EmulatorSession, DuoWheelShutterMovesItsWheelAndShutter) {
  ASSERT_NO_FATAL_FAILURE(Start(emulator::Variant::kDuoWheelShutter));
  ASSERT_EQ(QueryStatus(), kDuoWheelShutterAtStart);
  EXPECT_EQ(w.filterB.numberOfItems(), 1);
  EXPECT_TRUE(w.filterB.gray);
  EXPECT_FALSE(w.filterB.hidden);
  EXPECT_FALSE(w.shutterBsteps.editable);

  w.filterA.choose(4);
  w.speedA.choose(1);
  EXPECT_EQ(Send(), Bytes{0x14});
  w.shutterAstatus.choose(1);
  EXPECT_EQ(Send(), Bytes{0xAA});
  w.shutterAmode.choose(1);
  EXPECT_EQ(Send(), Bytes{0xDD});
  EXPECT_EQ(server->state().wheels[0], (WheelSetting{4, 1}));
  EXPECT_EQ(server->state().shutters[0].mode, ShutterMode::kSoft);

  EXPECT_EQ(QueryStatus(), kDuoTitle + "- Wheel :              Filter 4;    Speed 1\n" + "- Shutter status :  Open\n" +
                               "- Shutter mode :   Soft\n");
}

TEST_F(EmulatorSession, DuoShutterShutterReadsShutterBAfterTheStepCount) {
  ASSERT_NO_FATAL_FAILURE(Start(emulator::Variant::kDuoShutterShutter));
  ASSERT_EQ(QueryStatus(), kDuoShutterShutterAtStart);
  EXPECT_EQ(w.filterA.numberOfItems(), 1);
  EXPECT_FALSE(w.timerText.hidden);

  w.shutterBstatus.choose(2);
  EXPECT_EQ(Send(), Bytes{0xBB});
  w.shutterAmode.choose(2);
  w.shutterAsteps.type("64");
  EXPECT_EQ(Send(), (Bytes{0xDE, 0x01, 0x40}));
  w.shutterBmode.choose(1);
  EXPECT_EQ(Send(), (Bytes{0xDD, 0x02}));
  EXPECT_EQ(server->state().shutters[1].mode, ShutterMode::kSoft);

  EXPECT_EQ(QueryStatus(), kDuoTitle + "- Shutter A status :  Close\n" + "- Shutter B status :  Open conditional\n" +
                               "- Shutter A mode :   Neutral density\n" +
                               "- Shutter A mode :   Neutral density steps number is 64\n" +
                               "- Shutter B mode :   Soft\n");
  EXPECT_EQ(w.shutterBmode.text, "Soft");
}

TEST_F(EmulatorSession, MonoTimersTriggersAndFreeRunShowInTheNextReport) {
  ASSERT_NO_FATAL_FAILURE(Start(emulator::Variant::kMono));
  ASSERT_EQ(QueryStatus(), kMonoAtStart);
  EXPECT_TRUE(w.filterA.hidden);

  w.repeatNumber.type("500");
  EXPECT_EQ(Send(), (Bytes{0xFA, 0xF0, 0x01, 0xF4}));
  w.timerType.choose(1);
  w.tHour.type("2");
  EXPECT_EQ(Send(), (Bytes{0xFA, 0x22, 0, 0, 0, 0}));
  w.tMinute.type("30");
  EXPECT_EQ(Send(), (Bytes{0xFA, 0x22, 30, 0, 0, 0}));
  w.timerType.choose(0);
  w.tSecond.type("45");
  EXPECT_EQ(Send(), (Bytes{0xFA, 0x12, 30, 45, 0, 0}));
  w.otherCommand.choose(16);
  EXPECT_EQ(Send(), (Bytes{0xFA, 0xA2}));
  w.otherCommand.choose(20);
  EXPECT_EQ(Send(), (Bytes{0xFA, 0xB1}));
  w.otherCommand.choose(8);
  EXPECT_EQ(Send(), (Bytes{0xFA, 0xF3}));
  w.shutterAmode.choose(2);
  w.shutterAsteps.type("10");
  EXPECT_EQ(Send(), (Bytes{0xDE, 10}));

  const emulator::ControllerState state = server->state();
  EXPECT_EQ(state.repeatNumber, 500);
  EXPECT_EQ(state.exposureTime, (emulator::TimeBlock{0x22, 30, 0, 0, 0}));
  EXPECT_EQ(state.closedTime, (emulator::TimeBlock{0x12, 30, 45, 0, 0}));
  EXPECT_EQ(state.ttlIn, 0xA2);
  EXPECT_EQ(state.ttlOut, 0xB1);
  EXPECT_EQ(state.freeRun, 0xF3);

  EXPECT_EQ(QueryStatus(), kMonoTitle + "- Shutter status :                 Close\n" +
                               "- Shutter mode :                  Neutral density\n" +
                               "- Shutter mode :                  Neutral density steps number is 10\n" +
                               "- Shutter TTL IN :                Open/Enable on low\n" +
                               "- Shutter TTL OUT :             High for open\n" +
                               "- Shutter Closed Time :       2 hrs : 30 mins : 45 s : 0.0 ms\n" +
                               "- Shutter Exposure Time :   2 hrs : 30 mins : 0 s : 0.0 ms\n" +
                               "- Shutter Free Run :            Free run go\n" +
                               "- Shutter Free Run :            Repeat Number is 500\n");
  // The window shows the exposure time.
  EXPECT_EQ(w.timerType.indexOfSelectedItem(), 1);
  EXPECT_EQ(w.tHour.text, "2");
  EXPECT_EQ(w.tMinute.text, "30");
  EXPECT_EQ(w.tSecond.text, "");
  EXPECT_EQ(w.repeatNumber.text, "500");
}

}  // namespace
