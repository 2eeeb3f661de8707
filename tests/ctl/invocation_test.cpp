// korvel-ctl as a script runs it, against the emulated controller of every
// variant: each row gives the words, and the exact standard output, standard
// error, exit status and bytes the controller received.
#include <gtest/gtest.h>

#include <optional>
#include <set>
#include <string>
#include <vector>

#include "case_name.h"
#include "ctl_process.h"
#include "emulated_controller.h"

namespace {

using Bytes = std::vector<uint8_t>;
using emulator::Device;
using emulator::Variant;

constexpr char kTriadReport[] =
    "********  Triad Controller Current Status  ********\n"
    "- Wheel A :              Filter 0;    Speed 0\n"
    "- Wheel B :              Filter 0;    Speed 0\n"
    "- Wheel C :              Filter 0;    Speed 0\n"
    "- Shutter A status :  Close\n"
    "- Shutter B status :  Close\n"
    "- Shutter A mode :   Fast\n"
    "- Shutter B mode :   Fast\n";
constexpr char kDuoWheelShutterReport[] =
    "********  Duo Controller Current Status  ********\n"
    "- Wheel :              Filter 0;    Speed 0\n"
    "- Shutter status :  Close\n"
    "- Shutter mode :   Fast\n";
constexpr char kDuoShutterShutterReport[] =
    "********  Duo Controller Current Status  ********\n"
    "- Shutter A status :  Close\n"
    "- Shutter B status :  Close\n"
    "- Shutter A mode :   Fast\n"
    "- Shutter B mode :   Fast\n";
constexpr char kMonoReport[] =
    "********  Mono Controller Current Status  ********\n"
    "- Shutter status :                 Close\n"
    "- Shutter mode :                  Fast\n"
    "- Shutter TTL IN :                TTL IN disable\n"
    "- Shutter TTL OUT :             TTL OUT disable\n"
    "- Shutter Closed Time :       0 hrs : 0 mins : 0 s : 0.0 ms\n"
    "- Shutter Exposure Time :   0 hrs : 0 mins : 0 s : 0.0 ms\n"
    "- Shutter Free Run :            Free run disable\n"
    "- Shutter Free Run :            Repeat Number is 0\n";
constexpr char kMonoNoShutterReport[] =
    "********  Mono Controller Current Status  ********\n"
    "- Shutter status :                 Close\n"
    "- Shutter mode :                Tandel shutter not connected\n";
constexpr char kTriadConfig[] =
    "variant: triad\nconfiguration: 3W2S Triad controller fw 1.07\n";

constexpr char kNoItem[] =
    ": this controller takes no such value here (a device that is not connected takes none)\n";
constexpr char kNoControl[] = ": this controller has no such device or setting\n";
constexpr char kTryHelp[] = "Try 'korvel-ctl --help'.\n";

std::string Usage(const std::string& message) { return "korvel-ctl: " + message + "\n" + kTryHelp; }

struct CtlCase {
  const char* name;
  Variant variant;
  std::set<Device> notConnected;
  std::vector<std::string> words;
  std::string out;
  std::string err;
  int status;
  Bytes received;
};

// EE: the on-line byte of the open; CC: the status query that set and
// command start with.
const CtlCase kCases[] = {
    // Triad
    {"TriadStatus", Variant::kTriad, {}, {"status"}, kTriadReport, "", 0, {0xEE, 0xCC}},
    {"TriadConfig", Variant::kTriad, {}, {"config"}, kTriadConfig, "", 0, {0xEE, 0xFD}},
    {"TriadConfigJson", Variant::kTriad, {}, {"config", "--json"},
     "{\"configuration\":\"3W2S Triad controller fw 1.07\",\"echo_ms\":#,\"reply_ms\":#,\"variant\":\"triad\"}\n",
     "", 0, {0xEE, 0xFD}},
    // --verbose: the reply's bytes too, and the log as the window shows it.
    {"TriadConfigVerbose", Variant::kTriad, {}, {"config", "--verbose"},
     std::string(kTriadConfig) + "bytes: FD 33 57 32 53 20 54 72 69 61 64 20 63 6F 6E 74 72 6F 6C 6C 65 72 20 66 77 20 "
                                 "31 2E 30 37 0D\n",
     "253       0xFD\n3W2S\n Tria\nd con\ntroll\ner fw\n 1.07\n13       0xD\ntime: #\n"
     "****************************************\n",
     0, {0xEE, 0xFD}},
    {"WheelAFilterAndSpeedInOneMove", Variant::kTriad, {}, {"set", "wheelA.speed=3", "wheelA.filter=7"}, "", "", 0,
     {0xEE, 0xCC, 0x37}},
    {"WheelBFilter", Variant::kTriad, {}, {"set", "wheelB.filter=2"}, "", "", 0, {0xEE, 0xCC, 0x82}},
    {"WheelCMove", Variant::kTriad, {}, {"set", "wheelC.filter=4", "wheelC.speed=1"}, "", "", 0,
     {0xEE, 0xCC, 0xFC, 0x14}},
    {"ShutterStatesInOrder", Variant::kTriad, {}, {"set", "shutterA.state=open", "shutterB.state=conditional"}, "", "",
     0, {0xEE, 0xCC, 0xAA, 0xBB}},
    // The words a status report prints are set's words too.
    {"ShutterStatesAsStatusPrintsThem", Variant::kTriad, {},
     {"set", "shutterA.state=Open conditional", "shutterB.state=open-conditional", "shutterA.state=Close"}, "", "", 0,
     {0xEE, 0xCC, 0xAB, 0xBB, 0xAC}},
    {"ShutterAModeSoft", Variant::kTriad, {}, {"set", "shutterA.mode=soft"}, "", "", 0, {0xEE, 0xCC, 0xDD, 0x01}},
    {"ShutterBNeutralDensityWithSteps", Variant::kTriad, {}, {"set", "shutterB.mode=nd", "shutterB.steps=12"}, "", "",
     0, {0xEE, 0xCC, 0xDE, 0x02, 0x0C}},
    {"NeutralDensityWithoutStepsIsRefused", Variant::kTriad, {}, {"set", "shutterA.mode=nd", "wheelA.filter=1"}, "",
     "** Invalid command **\nNeutral Density steps\nmust be between 1-144.\n", 2, {0xEE, 0xCC}},
    {"WheelNotConnectedIsRefusedBeforeSending", Variant::kTriad, {Device::kWheelB}, {"set", "wheelB.filter=3"}, "",
     std::string("korvel-ctl: wheelB.filter=3") + kNoItem, 2, {0xEE, 0xCC}},
    {"ShutterNotConnectedIsRefused", Variant::kTriad, {Device::kShutterA}, {"set", "shutterA.mode=soft"}, "",
     std::string("korvel-ctl: shutterA.mode=soft") + kNoItem, 2, {0xEE, 0xCC}},
    {"TriadHasNoTimer", Variant::kTriad, {}, {"set", "timer=exposure"}, "",
     std::string("korvel-ctl: timer=exposure") + kNoControl, 2, {0xEE, 0xCC}},
    {"TriadBatchWithNothingChanged", Variant::kTriad, {}, {"command", "triad-batch"}, "BD BE 0D\n", "", 0,
     {0xEE, 0xCC, 0xBD, 0xBE}},
    {"OnLineEntry", Variant::kTriad, {}, {"command", "on-line"}, "EE 0D\n", "", 0, {0xEE, 0xCC, 0xEE}},
    {"CommandStatusIsOneQuery", Variant::kTriad, {}, {"command", "status"}, kTriadReport, "", 0, {0xEE, 0xCC}},
    {"MonoEntryOnATriad", Variant::kTriad, {}, {"command", "free-run-go"}, "",
     "korvel-ctl: free-run-go: this controller's general command list has no such entry\n", 2, {0xEE, 0xCC}},
    // Duo wheel/shutter
    {"DuoWheelShutterStatus", Variant::kDuoWheelShutter, {}, {"status"}, kDuoWheelShutterReport, "", 0, {0xEE, 0xCC}},
    {"DuoWheelAndShutter", Variant::kDuoWheelShutter, {}, {"set", "wheelA.filter=5", "shutterA.state=open"}, "", "", 0,
     {0xEE, 0xCC, 0x05, 0xAA}},
    {"DuoHasNoShutterB", Variant::kDuoWheelShutter, {}, {"set", "shutterB.state=open"}, "",
     std::string("korvel-ctl: shutterB.state=open") + kNoItem, 2, {0xEE, 0xCC}},
    // Duo shutter/shutter
    {"DuoShutterShutterStatus", Variant::kDuoShutterShutter, {}, {"status"}, kDuoShutterShutterReport, "", 0,
     {0xEE, 0xCC}},
    {"DuoShutterBMode", Variant::kDuoShutterShutter, {}, {"set", "shutterB.mode=soft"}, "", "", 0,
     {0xEE, 0xCC, 0xDD, 0x02}},
    {"DuoShutterShutterHasNoWheel", Variant::kDuoShutterShutter, {}, {"set", "wheelA.filter=1"}, "",
     std::string("korvel-ctl: wheelA.filter=1") + kNoItem, 2, {0xEE, 0xCC}},
    // Mono
    {"MonoStatus", Variant::kMono, {}, {"status"}, kMonoReport, "", 0, {0xEE, 0xCC}},
    {"MonoShutterNotConnected", Variant::kMono, {Device::kShutterA}, {"status"}, kMonoNoShutterReport, "", 0,
     {0xEE, 0xCC}},
    {"RepeatNumber", Variant::kMono, {}, {"set", "repeat=5"}, "", "", 0, {0xEE, 0xCC, 0xFA, 0xF0, 0x00, 0x05}},
    {"RepeatContinuous", Variant::kMono, {}, {"set", "repeat=continuous"}, "", "", 0,
     {0xEE, 0xCC, 0xFA, 0xF0, 0xFF, 0xFF}},
    {"ExposureTime", Variant::kMono, {}, {"set", "time=0:0:1.5"}, "", "", 0,
     {0xEE, 0xCC, 0xFA, 0x20, 0x00, 0x01, 0x50, 0x00}},
    {"ClosedTimeWithTenths", Variant::kMono, {}, {"set", "timer=closed", "time=1:2:3.4565"}, "", "", 0,
     {0xEE, 0xCC, 0xFA, 0x10, 0x00, 0x00, 0x00, 0x00, 0xFA, 0x11, 0x02, 0x03, 0x45, 0x65}},
    {"TimeAboveFiveHoursIsRefused", Variant::kMono, {}, {"set", "time=6:0:0", "repeat=3"}, "",
     "** Invalid value **\nMaximum time value is 5hrs.\n", 2, {0xEE, 0xCC}},
    {"TriggersAndFreeRun", Variant::kMono, {}, {"set", "ttlIn=high", "ttlOut=low", "repeat=3", "freeRun=go"}, "", "",
     0, {0xEE, 0xCC, 0xFA, 0xA1, 0xFA, 0xB2, 0xFA, 0xF0, 0x00, 0x03, 0xFA, 0xF3}},
    {"FreeRunNeedsARepeatNumber", Variant::kMono, {}, {"set", "freeRun=go", "ttlIn=high"}, "",
     "** Please set the repeat number first,\n    then try again. **\n", 2, {0xEE, 0xCC}},
    {"MonoEntry", Variant::kMono, {}, {"command", "ttl-out-low"}, "FA B2 0D\n", "", 0, {0xEE, 0xCC, 0xFA, 0xB2}},
    {"MonoHasNoWheel", Variant::kMono, {}, {"set", "wheelA.filter=1"}, "",
     std::string("korvel-ctl: wheelA.filter=1") + kNoControl, 2, {0xEE, 0xCC}},
    // Usage errors: nothing is opened, nothing is sent.
    {"NoCommand", Variant::kTriad, {}, {}, "", Usage("no command given"), 1, {}},
    {"UnknownCommand", Variant::kTriad, {}, {"frobnicate"}, "", Usage("unknown command 'frobnicate'"), 1, {}},
    {"UnknownKey", Variant::kTriad, {}, {"set", "wheelA.filter=1", "wheelD.filter=1"}, "",
     Usage("unknown key 'wheelD.filter'"), 1, {}},
    {"FilterOutOfRange", Variant::kTriad, {}, {"set", "wheelA.filter=10"}, "",
     Usage("'10' is no value of wheelA.filter (0 to 9)"), 1, {}},
    {"UnknownState", Variant::kTriad, {}, {"set", "shutterA.state=ajar"}, "",
     Usage("'ajar' is no value of shutterA.state (closed, open, conditional)"), 1, {}},
    {"BadTime", Variant::kMono, {}, {"set", "time=1:2"}, "",
     Usage("'1:2' is no value of time (H:M:S, H:M:S.mmm or H:M:S.mmmt (t: tenths of ms))"), 1, {}},
    {"SetWithoutKeys", Variant::kTriad, {}, {"set"}, "", Usage("set needs KEY=VALUE"), 1, {}},
    {"SetWordWithoutEquals", Variant::kTriad, {}, {"set", "wheelA.filter", "3"}, "",
     Usage("'wheelA.filter': expected KEY=VALUE"), 1, {}},
    {"UnknownName", Variant::kTriad, {}, {"command", "nonesuch"}, "", Usage("unknown command name 'nonesuch'"), 1, {}},
    // One object per cycle of set; the status query it starts with prints none.
    {"JsonWithSet", Variant::kTriad, {}, {"set", "--json", "wheelA.filter=1", "wheelA.speed=2", "shutterA.state=open"},
     "{\"echo_ms\":#,\"reply_bytes\":2,\"reply_ms\":#,\"result\":\"pass\",\"sent_bytes\":1,"
     "\"setting\":\"wheelA.filter=1 wheelA.speed=2\"}\n"
     "{\"echo_ms\":#,\"reply_bytes\":2,\"reply_ms\":#,\"result\":\"pass\",\"sent_bytes\":1,"
     "\"setting\":\"shutterA.state=open\"}\n",
     "", 0, {0xEE, 0xCC, 0x21, 0xAA}},
    {"RepeatZero", Variant::kTriad, {}, {"status", "--repeat", "0"}, "",
     Usage("'0' is no --repeat count (1 to 1000000)"), 1, {}},
    {"RepeatWithPorts", Variant::kTriad, {}, {"ports", "--repeat", "2"}, "",
     Usage("--repeat, --interval and --stop-on-error work with status, config, set and command NAME"), 1, {}},
    {"VerifyWithoutRepeat", Variant::kTriad, {}, {"set", "--verify-every", "2", "wheelA.filter=1"}, "",
     Usage("--verify-every, --csv and --report need --repeat"), 1, {}},
    {"CsvWithoutRepeat", Variant::kTriad, {}, {"status", "--csv", "rows.csv"}, "",
     Usage("--verify-every, --csv and --report need --repeat"), 1, {}},
    {"YesWithoutCheck", Variant::kTriad, {}, {"status", "--yes"}, "",
     Usage("--yes, --wheels and --shutters work with check"), 1, {}},
    {"CheckWithRepeat", Variant::kTriad, {}, {"check", "--yes", "--repeat", "2"}, "",
     Usage("--repeat, --interval, --stop-on-error and --csv do not work with check"), 1, {}},
    {"CheckWithAWheelTheControllersHaveNot", Variant::kTriad, {}, {"check", "--yes", "--wheels", "A,D"}, "",
     Usage("'A,D' is no --wheels list (A, B, C, comma-separated, or none)"), 1, {}},
    {"CheckWithAShutterListOfNothing", Variant::kTriad, {}, {"check", "--yes", "--shutters", ""}, "",
     Usage("'' is no --shutters list (A, B, comma-separated, or none)"), 1, {}},
    {"VerifyWithStatus", Variant::kTriad, {}, {"status", "--repeat", "2", "--verify-every", "1"}, "",
     Usage("--verify-every works with set"), 1, {}},
    {"VerifyEveryZero", Variant::kTriad, {}, {"set", "--repeat", "2", "--verify-every", "0", "wheelA.filter=1"}, "",
     Usage("'0' is no --verify-every count (1 to 1000000)"), 1, {}},
    // A timer is seen only in the time set after it.
    {"VerifyATimerWithNoTime", Variant::kMono, {},
     {"set", "--repeat", "2", "--verify-every", "1", "timer=exposure"}, "",
     Usage("--verify-every cannot verify timer: no status reply shows which timer was chosen (set a time after it)"),
     1, {}},
    {"CsvInADirectoryThatIsNot", Variant::kTriad, {}, {"status", "--repeat", "2", "--csv", "/nonexistent/rows.csv"}, "",
     "korvel-ctl: The CSV file cannot be written in /nonexistent/rows.csv: No such file or directory.\n", 1, {}},
    {"LimitWithoutARun", Variant::kTriad, {}, {"status", "--max-ms", "500"}, "",
     Usage("--max-ms and --max-drift work with --repeat and check"), 1, {}},
    {"LimitOfNoTime", Variant::kTriad, {}, {"status", "--repeat", "2", "--max-ms", "0"}, "",
     Usage("'0' is no --max-ms limit (milliseconds above 0, or SETTING=MS)"), 1, {}},
    {"SettingLimitInACheck", Variant::kTriad, {}, {"check", "--yes", "--max-ms", "wheelA.filter=900"}, "",
     Usage("'wheelA.filter=900' is no --max-ms limit (SETTING=MS needs a setting and --repeat)"), 1, {}},
    {"DriftOfNothing", Variant::kTriad, {}, {"check", "--yes", "--max-drift", "ten"}, "",
     Usage("'ten' is no --max-drift percentage (above 0, at most 10000)"), 1, {}},
    {"AlwaysSendAStatus", Variant::kTriad, {}, {"status", "--repeat", "2", "--always-send"}, "",
     Usage("--always-send works with set and --repeat"), 1, {}},
    {"LabelWithoutARun", Variant::kTriad, {}, {"status", "--label", "SN 1042"}, "",
     Usage("--label, --operator and --note work with --repeat and check"), 1, {}},
    // Each is one line of the summary: a line end would make a line of its
    // own, an escape (or the C1 CSI) would move a terminal's cursor.
    {"NoteOfTwoLines", Variant::kTriad, {}, {"check", "--yes", "--note", "repaired\nverdict: passed"}, "",
     Usage("--note takes one line of text: no line end, tab or other control character"), 1, {}},
    {"LabelWithAnEscape", Variant::kTriad, {}, {"status", "--repeat", "2", "--label", "SN\x1b[2J1042"}, "",
     Usage("--label takes one line of text: no line end, tab or other control character"), 1, {}},
    {"OperatorWithAC1Control", Variant::kTriad, {}, {"status", "--repeat", "2", "--operator", "Ann\xc2\x9b" "2J"}, "",
     Usage("--operator takes one line of text: no line end, tab or other control character"), 1, {}},
    {"UnknownOption", Variant::kTriad, {}, {"status", "--colour"}, "", Usage("Unknown option 'colour'."), 1, {}},
    // A second port besides the controller's: a rack run, which takes only
    // check, status and burn-ins, and refuses before anything starts.
    {"SetOnSeveralPorts", Variant::kTriad, {}, {"set", "--port", "/nonexistent/tty", "wheelA.filter=1"}, "",
     Usage("several ports work with check, status and burn-ins (--repeat)"), 1, {}},
    {"RecordOfSeveralPorts", Variant::kTriad, {}, {"status", "--port", "/nonexistent/tty", "--log", "record.txt"}, "",
     Usage("--log keeps the record of one port; name one --port"), 1, {}},
    {"PortListMissing", Variant::kTriad, {}, {"status", "--ports-from", "/nonexistent/ports"}, "",
     Usage("cannot read the port list /nonexistent/ports: No such file or directory"), 1, {}},
    {"PortListOfADirectory", Variant::kTriad, {}, {"status", "--ports-from", "/"}, "",
     Usage("cannot read the port list /: not a regular file"), 1, {}},
};

class InvocationTest : public testing::TestWithParam<CtlCase> {};

TEST_P(InvocationTest, PrintsSendsAndEndsAsTheRowSays) {
  const CtlCase& c = GetParam();
  EmulatedController controller(c.variant, c.notConnected);
  ASSERT_TRUE(controller.ready());
  std::vector<std::string> words = {"--port", controller.path()};
  words.insert(words.end(), c.words.begin(), c.words.end());
  const CtlRun run = RunCtl(words);
  EXPECT_EQ(TimesHidden(run.out), c.out);
  EXPECT_EQ(TimesHidden(run.err), c.err);
  EXPECT_EQ(run.status, c.status);
  EXPECT_EQ(controller.server().received(), c.received);
}

INSTANTIATE_TEST_SUITE_P(Ctl, InvocationTest, testing::ValuesIn(kCases), CaseName());

// status --json after a set, compared with the emulator's own state.
struct JsonCase {
  const char* name;
  Variant variant;
  std::set<Device> notConnected;
  std::vector<std::string> settings;
  // What the emulator puts in the status reply's skipped places; none: 00
  // and the shutter numbers, as the controller is documented to.
  std::optional<uint8_t> skippedByte = std::nullopt;
};

const JsonCase kJsonCases[] = {
    {"Triad", Variant::kTriad, {}, {"wheelA.filter=7", "wheelA.speed=3", "wheelB.filter=9", "wheelB.speed=7",
                                   "wheelC.filter=2", "shutterA.state=open", "shutterB.mode=nd", "shutterB.steps=40"}},
    {"TriadMissingDevices", Variant::kTriad, {Device::kWheelB, Device::kShutterA}, {"wheelC.speed=5", "shutterB.state=conditional"}},
    {"DuoWheelShutter", Variant::kDuoWheelShutter, {}, {"wheelA.filter=4", "shutterA.mode=nd", "shutterA.steps=144"}},
    {"DuoShutterShutter", Variant::kDuoShutterShutter, {}, {"shutterA.mode=soft", "shutterB.state=open"}},
    {"Mono", Variant::kMono, {}, {"ttlIn=falling", "ttlOut=high", "timer=closed", "time=2:30:15.1234", "timer=exposure",
                                 "time=0:0:0.5", "repeat=continuous", "freeRun=trigger", "shutterA.state=open"}},
    {"MonoShutterNotConnected", Variant::kMono, {Device::kShutterA}, {}},
    // A step count moves the later settings one byte on; 13 is also the
    // closing byte's value.
    {"TriadBothNeutralDensity", Variant::kTriad, {}, {"shutterA.mode=nd", "shutterA.steps=13", "shutterB.mode=nd",
                                                     "shutterB.steps=7", "shutterB.state=open"}},
    {"MonoNeutralDensity", Variant::kMono, {}, {"shutterA.steps=13", "shutterA.mode=nd", "ttlOut=low", "repeat=70000"}},
    // The skipped places hold nothing: any byte there reads the same.
    {"TriadSkippedFC", Variant::kTriad, {}, {"wheelC.filter=9", "shutterA.mode=nd", "shutterA.steps=13"}, 0xFC},
    {"TriadSkipped55", Variant::kTriad, {Device::kWheelA}, {"shutterB.mode=nd", "shutterB.steps=85"}, 0x55},
    {"DuoShutterShutterSkipped0D", Variant::kDuoShutterShutter, {}, {"shutterA.mode=nd", "shutterA.steps=2"}, 0x0D},
    {"MonoSkippedFC", Variant::kMono, {}, {"shutterA.mode=nd", "shutterA.steps=5", "repeat=300"}, 0xFC},
};

class JsonTest : public testing::TestWithParam<JsonCase> {};

TEST_P(JsonTest, StatusJsonIsTheEmulatorsState) {
  const JsonCase& c = GetParam();
  emulator::EmulatorOptions options;
  options.variant = c.variant;
  options.notConnected = c.notConnected;
  options.baud = 0;
  options.skippedByte = c.skippedByte;
  EmulatedController controller(options);
  ASSERT_TRUE(controller.ready());
  if (!c.settings.empty()) {
    std::vector<std::string> words = {"--port", controller.path(), "set"};
    words.insert(words.end(), c.settings.begin(), c.settings.end());
    const CtlRun set = RunCtl(words);
    ASSERT_EQ(set.status, 0) << set.err;
  }
  const CtlRun run = RunCtl({"--port", controller.path(), "status", "--json"});
  EXPECT_EQ(run.status, 0) << run.err;
  EXPECT_EQ(run.err, "");
  const std::string expected = ExpectedJson(controller.setup(), controller.server().state());
  EXPECT_EQ(TimesHidden(run.out), expected.substr(0, expected.size() - 2) + ", \"echo_ms\":#,\"reply_ms\":#}\n");
}

INSTANTIATE_TEST_SUITE_P(Ctl, JsonTest, testing::ValuesIn(kJsonCases), CaseName());

}  // namespace

namespace {

// At the controller's own pace, the four variants at once.
TEST(PacedStatus, EveryVariantAt300Baud) {
  struct Paced {
    Variant variant;
    const char* report;
  };
  const Paced variants[] = {{Variant::kTriad, kTriadReport},
                            {Variant::kDuoWheelShutter, kDuoWheelShutterReport},
                            {Variant::kDuoShutterShutter, kDuoShutterShutterReport},
                            {Variant::kMono, kMonoReport}};
  constexpr int kLineBaud = 300;
  std::vector<std::unique_ptr<EmulatedController>> controllers;
  std::vector<std::unique_ptr<CtlProcess>> processes;
  for (const Paced& p : variants) {
    controllers.push_back(std::make_unique<EmulatedController>(p.variant, std::set<Device>{}, kLineBaud));
    ASSERT_TRUE(controllers.back()->ready());
    processes.push_back(std::make_unique<CtlProcess>(std::vector<std::string>{"--port", controllers.back()->path(), "status"}));
  }
  for (std::size_t i = 0; i < processes.size(); ++i) {
    const CtlRun run = processes[i]->Finish();
    EXPECT_EQ(run.out, variants[i].report);
    EXPECT_EQ(run.err, "");
    EXPECT_EQ(run.status, 0);
    EXPECT_EQ(controllers[i]->server().received(), (Bytes{0xEE, 0xCC}));
  }
}

}  // namespace
