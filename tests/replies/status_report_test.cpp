// The status report: its text, the captured values it writes and the lists it
// cuts, for each layout.
#include "status_report.h"

#include <string>

#include "reply_test_support.h"

namespace {

const std::string kDuoTitle = "********  Duo Controller Current Status  ********\n";
const std::string kTriadTitle = "********  Triad Controller Current Status  ********\n";
const std::string kMonoTitle = "********  Mono Controller Current Status  ********\n";
const std::string kEndedEarly = kReplyEndedEarly;

// Lines whose numbers the cases fill in by hand.
std::string DuoWheel(int filter, int speed) {
  return "- Wheel :              Filter " + std::to_string(filter) + ";    Speed " + std::to_string(speed) + "\n";
}
std::string TriadWheel(char wheel, int filter, int speed) {
  return std::string("- Wheel ") + wheel + " :              Filter " + std::to_string(filter) + ";    Speed " +
         std::to_string(speed) + "\n";
}
std::string Time(const char* label, int h, int m, int s, int ms, int tenths) {
  return std::string(label) + std::to_string(h) + " hrs : " + std::to_string(m) + " mins : " + std::to_string(s) +
         " s : " + std::to_string(ms) + "." + std::to_string(tenths) + " ms\n";
}
std::string ClosedTime(int h, int m, int s, int ms, int tenths) {
  return Time("- Shutter Closed Time :       ", h, m, s, ms, tenths);
}
std::string ExposureTime(int h, int m, int s, int ms, int tenths) {
  return Time("- Shutter Exposure Time :   ", h, m, s, ms, tenths);
}
std::string Repeat(int r) { return "- Shutter Free Run :            Repeat Number is " + std::to_string(r) + "\n"; }

const std::string kMonoOpen = "- Shutter status :                  Open\n";
const std::string kMonoClose = "- Shutter status :                 Close\n";
const std::string kMonoFast = "- Shutter mode :                  Fast\n";
const std::string kTtlInDisabled = "- Shutter TTL IN :                TTL IN disable\n";
const std::string kTtlOutDisabled = "- Shutter TTL OUT :             TTL OUT disable\n";
const std::string kFreeRunDisabled = "- Shutter Free Run :            Free run disable\n";

// The captured exposure time, which the window's time fields show.
std::vector<CapturedValue> Exposure(int h, int m, int s, int ms, int tenths) {
  return {InSetting(kTHour, h),
          InSetting(kTMinute, m),
          InSetting(kTSecond, s),
          InSetting(kTMsecond, ms),
          InSetting(kTTenthmsecond, tenths),
          InSetting(kTimerType, 1)};
}

// A Mono reply in fast mode up to its time blocks: state, mode, the skipped
// byte, TTL in and out.
Bytes MonoReply(Bytes closed, Bytes exposure, Bytes rest = {0xF0, 0x00, 0x01, 0x0D}) {
  Bytes reply{0xCC, 0xAC, 0xDC, 0x00, 0xA0, 0xB0};
  reply.insert(reply.end(), closed.begin(), closed.end());
  reply.insert(reply.end(), exposure.begin(), exposure.end());
  reply.insert(reply.end(), rest.begin(), rest.end());
  return reply;
}

std::string MonoReport(const std::string& times, const std::string& rest = kFreeRunDisabled + Repeat(1)) {
  return kMonoTitle + kMonoClose + kMonoFast + kTtlInDisabled + kTtlOutDisabled + times + rest;
}

// The list counts once every device a reply names is connected: each of its
// lists has lost the not-connected entry.
constexpr ListCounts kDuoWheelShutterConnected{.filterA = 10, .speedA = 8, .shutterAmode = 3};
constexpr ListCounts kDuoShutterShutterConnected{.shutterAmode = 3, .shutterBmode = 3};
constexpr ListCounts kMonoConnected{.shutterAmode = 3};
constexpr ListCounts kTriadConnected{.filterA = 10,
                                     .speedA = 8,
                                     .filterB = 10,
                                     .speedB = 8,
                                     .filterC = 10,
                                     .speedC = 8,
                                     .shutterAmode = 3,
                                     .shutterBmode = 3};

const std::vector<CapturedValue> kMonoClosedFast = {InSetting(kShutterAstatus, 0), InSetting(kShutterAmode, 0),
                                                    InSetting(kShutterAsteps, 0)};

struct StatusCase {
  const char* name;
  int32_t variant;
  Bytes reply;
  std::string report;
  std::vector<CapturedValue> captured;
  ListCounts counts;
  std::set<std::string> gray;
};

void PrintTo(const StatusCase& c, std::ostream* os) { *os << c.name; }

class StatusReportTest : public ReplyTest, public ::testing::WithParamInterface<StatusCase> {};

TEST_P(StatusReportTest, ReportsCapturesAndCutsTheLists) {
  const StatusCase& c = GetParam();
  itype = c.variant;
  decodeStatusReply(c.reply, cycle, w.controller);
  EXPECT_EQ(cycle.statusText, c.report);
  ExpectCapture(cycle.capture, c.captured);
  EXPECT_EQ(CountsOf(w), c.counts);
  EXPECT_EQ(GrayControls(w), c.gray);
  const bool stepsMissing = c.gray.contains("shutterAsteps");
  EXPECT_EQ(w.shutterAsteps.editable, !stepsMissing);
  EXPECT_EQ(cycle.logText, "") << "the report goes to statusText only";
}

// ---- The worked examples ----------------------------------------------------

INSTANTIATE_TEST_SUITE_P(
    WorkedExamples, StatusReportTest,
    ::testing::Values(
        StatusCase{"DuoWheelShutterNeutralDensity",
                   kDuoWheelShutter,
                   {0xCC, 0x32, 0xAA, 0xDE, 0x19, 0x0D},
                   kDuoTitle + DuoWheel(2, 3) + "- Shutter status :  Open\n" + "- Shutter mode :   Neutral density\n" +
                       "- Shutter mode :   Neutral density steps number is 25 \n",
                   {InWheel(kFilterA, 2), InWheel(kSpeedA, 3), InSetting(kShutterAstatus, 1),
                    InSetting(kShutterAmode, 2), InSetting(kShutterAsteps, 25)},
                   kDuoWheelShutterConnected,
                   {}},
        StatusCase{
            "DuoWheelShutterNothingConnected",
            kDuoWheelShutter,
            {0xCC, 0x0A, 0xAC, 0xDB, 0x0D},
            kDuoTitle + "- Wheel :              Not connected\n" + "- Shutter status :  Close\n" +
                "- Shutter mode :   Tandel shutter not connected\n",
            {InWheel(kFilterA, 0), InWheel(kSpeedA, 0), InSetting(kShutterAstatus, 0), InSetting(kShutterAmode, 0)},
            {.filterA = 1, .speedA = 1, .shutterAmode = 1},
            {"filterA", "speedA", "shutterAmode", "shutterAsteps"}},
        StatusCase{"DuoShutterShutterShiftedByStepCount",
                   kDuoShutterShutter,
                   {0xCC, 0xAB, 0xBC, 0xDE, 0x01, 0x40, 0xDC, 0x02, 0x0D},
                   kDuoTitle + "- Shutter A status :  Open conditional\n" + "- Shutter B status :  Close\n" +
                       "- Shutter A mode :   Neutral density\n" +
                       "- Shutter A mode :   Neutral density steps number is 64\n" + "- Shutter B mode :   Fast\n",
                   {InSetting(kShutterAstatus, 2), InSetting(kShutterBstatus, 0), InSetting(kShutterAmode, 2),
                    InSetting(kShutterAsteps, 64), InSetting(kShutterBmode, 0), InSetting(kShutterBsteps, 0)},
                   kDuoShutterShutterConnected,
                   {}},
        StatusCase{
            "TriadWheelCMissing",
            kTriad,
            {0xCC, 0x41, 0xB2, 0x00, 0x0A, 0xAA, 0xBA, 0xDD, 0x01, 0xDE, 0x02, 0x90, 0x0D},
            kTriadTitle + TriadWheel('A', 1, 4) + TriadWheel('B', 2, 3) + "- Wheel C :              Not connected\n" +
                "- Shutter A status :  Open\n" + "- Shutter B status :  Open\n" + "- Shutter A mode :   Soft\n" +
                "- Shutter B mode :   Neutral density\n" + "- Shutter B mode :   Neutral density steps number is 144\n",
            {InWheel(kFilterA, 1), InWheel(kSpeedA, 4), InWheel(kFilterB, 2), InWheel(kSpeedB, 3), InWheel(kFilterC, 0),
             InWheel(kSpeedC, 0), InSetting(kShutterAstatus, 1), InSetting(kShutterBstatus, 1),
             InSetting(kShutterAmode, 1), InSetting(kShutterAsteps, 0), InSetting(kShutterBmode, 2),
             InSetting(kShutterBsteps, 144)},
            {.filterA = 10,
             .speedA = 8,
             .filterB = 10,
             .speedB = 8,
             .filterC = 1,
             .speedC = 1,
             .shutterAmode = 3,
             .shutterBmode = 3},
            {"filterC", "speedC"}},
        StatusCase{"MonoShiftedByStepCount",
                   kMono,
                   {0xCC, 0xAA, 0xDE, 0x0A, 0x00, 0xA2, 0xB2, 0x11, 0x1E, 0x2D, 0x12,
                    0x34, 0x22, 0x00, 0x05, 0x00, 0x07, 0xF3, 0x01, 0xF4, 0x0D},
                   kMonoTitle + kMonoOpen + "- Shutter mode :                  Neutral density\n" +
                       "- Shutter mode :                  Neutral density steps number is 10\n" +
                       "- Shutter TTL IN :                Open/Enable on low\n" +
                       "- Shutter TTL OUT :             Low for open\n" + ClosedTime(1, 30, 45, 123, 4) +
                       ExposureTime(2, 0, 5, 0, 7) + "- Shutter Free Run :            Free run go\n" + Repeat(500),
                   Join({{InSetting(kShutterAstatus, 1), InSetting(kShutterAmode, 2), InSetting(kShutterAsteps, 10),
                          InSetting(kRepeatNumber, 500)},
                         Exposure(2, 0, 5, 0, 7)}),
                   kMonoConnected,
                   {}},
        StatusCase{
            "MonoAllOff",
            kMono,
            MonoReply({0, 0, 0, 0, 0}, {0, 0, 0, 0, 0}, {0xF0, 0xFF, 0xFF, 0x0D}),
            MonoReport(ClosedTime(0, 0, 0, 0, 0) + ExposureTime(0, 0, 0, 0, 0), kFreeRunDisabled + Repeat(65535)),
            Join({kMonoClosedFast, {InSetting(kRepeatNumber, 65535)}, Exposure(0, 0, 0, 0, 0)}),
            kMonoConnected,
            {}}),
    CaseName());

// ---- Wheel bytes ------------------------------------------------------------

INSTANTIATE_TEST_SUITE_P(
    Wheels, StatusReportTest,
    ::testing::Values(
        // Only 0x0A means not connected; the high nibble is the speed.
        StatusCase{"Filter10Speed1",
                   kDuoWheelShutter,
                   {0xCC, 0x1A, 0xAC, 0xDC, 0x0D},
                   kDuoTitle + DuoWheel(10, 1) + "- Shutter status :  Close\n" + "- Shutter mode :   Fast\n",
                   {InWheel(kFilterA, 10), InWheel(kSpeedA, 1), InSetting(kShutterAstatus, 0),
                    InSetting(kShutterAmode, 0), InSetting(kShutterAsteps, 0)},
                   kDuoWheelShutterConnected,
                   {}},
        StatusCase{"Filter0Speed0",
                   kDuoWheelShutter,
                   {0xCC, 0x00, 0xAC, 0xDC, 0x0D},
                   kDuoTitle + DuoWheel(0, 0) + "- Shutter status :  Close\n" + "- Shutter mode :   Fast\n",
                   {InWheel(kFilterA, 0), InWheel(kSpeedA, 0), InSetting(kShutterAstatus, 0),
                    InSetting(kShutterAmode, 0), InSetting(kShutterAsteps, 0)},
                   kDuoWheelShutterConnected,
                   {}},
        // Wheel B: 0x8A is its not-connected code, 0x0A a negative position.
        StatusCase{"WheelBNotConnected",
                   kTriad,
                   {0xCC, 0x00, 0x8A, 0xFC, 0x00, 0xAC, 0xBC, 0xDC, 0x01, 0xDC, 0x02, 0x0D},
                   kTriadTitle + TriadWheel('A', 0, 0) + "- Wheel B :              Not connected\n" +
                       TriadWheel('C', 0, 0) + "- Shutter A status :  Close\n" + "- Shutter B status :  Close\n" +
                       "- Shutter A mode :   Fast\n" + "- Shutter B mode :   Fast\n",
                   {InWheel(kFilterA, 0), InWheel(kSpeedA, 0), InWheel(kFilterB, 0), InWheel(kSpeedB, 0),
                    InWheel(kFilterC, 0), InWheel(kSpeedC, 0), InSetting(kShutterAstatus, 0),
                    InSetting(kShutterBstatus, 0), InSetting(kShutterAmode, 0), InSetting(kShutterAsteps, 0),
                    InSetting(kShutterBmode, 0), InSetting(kShutterBsteps, 0)},
                   {.filterA = 10,
                    .speedA = 8,
                    .filterB = 1,
                    .speedB = 1,
                    .filterC = 10,
                    .speedC = 8,
                    .shutterAmode = 3,
                    .shutterBmode = 3},
                   {"filterB", "speedB"}},
        StatusCase{"WheelBSignedPositions",
                   kTriad,
                   {0xCC, 0x80, 0x0A, 0xFC, 0xFF, 0xAC, 0xBC, 0xDC, 0x01, 0xDC, 0x02},
                   kTriadTitle + "- Wheel A :              Filter 0;    Speed 8\n" + TriadWheel('B', -6, -7) +
                       "- Wheel C :              Filter 15;    Speed 15\n" + "- Shutter A status :  Close\n" +
                       "- Shutter B status :  Close\n" + "- Shutter A mode :   Fast\n" + "- Shutter B mode :   Fast\n",
                   {InWheel(kFilterA, 0), InWheel(kSpeedA, 8), InWheel(kFilterB, -6), InWheel(kSpeedB, -7),
                    InWheel(kFilterC, 15), InWheel(kSpeedC, 15), InSetting(kShutterAstatus, 0),
                    InSetting(kShutterBstatus, 0), InSetting(kShutterAmode, 0), InSetting(kShutterAsteps, 0),
                    InSetting(kShutterBmode, 0), InSetting(kShutterBsteps, 0)},
                   kTriadConnected,
                   {}},
        StatusCase{"WheelBFromItsFlag",
                   kTriad,
                   {0xCC, 0x00, 0x80, 0xFC, 0x00, 0xAC, 0xBC, 0xDC, 0x01, 0xDC, 0x02, 0x0D},
                   kTriadTitle + TriadWheel('A', 0, 0) + TriadWheel('B', 0, 0) + TriadWheel('C', 0, 0) +
                       "- Shutter A status :  Close\n" + "- Shutter B status :  Close\n" +
                       "- Shutter A mode :   Fast\n" + "- Shutter B mode :   Fast\n",
                   {InWheel(kFilterA, 0), InWheel(kSpeedA, 0), InWheel(kFilterB, 0), InWheel(kSpeedB, 0),
                    InWheel(kFilterC, 0), InWheel(kSpeedC, 0), InSetting(kShutterAstatus, 0),
                    InSetting(kShutterBstatus, 0), InSetting(kShutterAmode, 0), InSetting(kShutterAsteps, 0),
                    InSetting(kShutterBmode, 0), InSetting(kShutterBsteps, 0)},
                   kTriadConnected,
                   {}}),
    CaseName());

// ---- Shutter states and modes -----------------------------------------------

INSTANTIATE_TEST_SUITE_P(
    Shutters, StatusReportTest,
    ::testing::Values(
        // Shutter A in neutral density moves shutter B's mode from byte 9 to 10.
        StatusCase{"TriadShiftedByStepCount",
                   kTriad,
                   {0xCC, 0x00, 0x80, 0xFC, 0x00, 0xAC, 0xBC, 0xDE, 0x01, 0x05, 0xDD, 0x02, 0x0D},
                   kTriadTitle + TriadWheel('A', 0, 0) + TriadWheel('B', 0, 0) + TriadWheel('C', 0, 0) +
                       "- Shutter A status :  Close\n" + "- Shutter B status :  Close\n" +
                       "- Shutter A mode :   Neutral density\n" +
                       "- Shutter A mode :   Neutral density steps number is 5\n" + "- Shutter B mode :   Soft\n",
                   {InWheel(kFilterA, 0), InWheel(kSpeedA, 0), InWheel(kFilterB, 0), InWheel(kSpeedB, 0),
                    InWheel(kFilterC, 0), InWheel(kSpeedC, 0), InSetting(kShutterAstatus, 0),
                    InSetting(kShutterBstatus, 0), InSetting(kShutterAmode, 2), InSetting(kShutterAsteps, 5),
                    InSetting(kShutterBmode, 1), InSetting(kShutterBsteps, 0)},
                   kTriadConnected,
                   {}},
        // Without the shift, shutter B's mode at byte 5 and its steps at byte 7.
        StatusCase{"DuoShutterShutterUnshifted",
                   kDuoShutterShutter,
                   {0xCC, 0xAA, 0xBB, 0xDD, 0x01, 0xDE, 0x02, 0x07, 0x0D},
                   kDuoTitle + "- Shutter A status :  Open\n" + "- Shutter B status :  Open conditional\n" +
                       "- Shutter A mode :   Soft\n" + "- Shutter B mode :   Neutral density\n" +
                       "- Shutter B mode :   Neutral density steps number is 7\n",
                   {InSetting(kShutterAstatus, 1), InSetting(kShutterBstatus, 2), InSetting(kShutterAmode, 1),
                    InSetting(kShutterAsteps, 0), InSetting(kShutterBmode, 2), InSetting(kShutterBsteps, 7)},
                   kDuoShutterShutterConnected,
                   {}},
        // Unlisted codes: Open conditional with the difference, Soft with the difference.
        StatusCase{"UnlistedCodes",
                   kDuoShutterShutter,
                   {0xCC, 0xA9, 0xBF, 0xE0, 0x01, 0xDB, 0x02, 0x0D},
                   kDuoTitle + "- Shutter A status :  Open conditional\n" + "- Shutter B status :  Open conditional\n" +
                       "- Shutter A mode :   Soft\n" + "- Shutter B mode :   Tandel shutter not connected\n",
                   {InSetting(kShutterAstatus, 0), InSetting(kShutterBstatus, 6), InSetting(kShutterAmode, 4),
                    InSetting(kShutterAsteps, 0), InSetting(kShutterBmode, 0)},
                   {.shutterAmode = 3, .shutterBmode = 1},
                   {"shutterBmode", "shutterBsteps"}},
        // A Mono without its shutter reports nothing after the mode, whatever follows.
        StatusCase{"MonoShutterMissingEndsTheReport",
                   kMono,
                   {0xCC, 0xAC, 0xDB, 0x00, 0xA1, 0xB1, 0x11, 0x1E, 0x2D, 0x12,
                    0x34, 0x22, 0x00, 0x05, 0x00, 0x07, 0xF3, 0x01, 0xF4, 0x0D},
                   kMonoTitle + kMonoClose + "- Shutter mode :                Tandel shutter not connected\n",
                   {InSetting(kShutterAstatus, 0), InSetting(kShutterAmode, 0)},
                   {.shutterAmode = 1},
                   {"shutterAmode", "shutterAsteps"}}),
    CaseName());

// ---- The Mono's other fields ------------------------------------------------

INSTANTIATE_TEST_SUITE_P(
    MonoFields, StatusReportTest,
    ::testing::Values(StatusCase{"HoursAboveTheirBases",
                                 kMono,
                                 MonoReply({0x15, 1, 2, 0x12, 0x34}, {0x25, 3, 4, 0x56, 0x78}),
                                 MonoReport(ClosedTime(5, 1, 2, 123, 4) + ExposureTime(5, 3, 4, 567, 8)),
                                 Join({kMonoClosedFast, {InSetting(kRepeatNumber, 1)}, Exposure(5, 3, 4, 567, 8)}),
                                 kMonoConnected,
                                 {}},
                      StatusCase{"HourBytesZero",
                                 kMono,
                                 MonoReply({0x00, 1, 0, 0, 0}, {0x00, 2, 0, 0, 0}),
                                 MonoReport(ClosedTime(0, 1, 0, 0, 0) + ExposureTime(0, 2, 0, 0, 0)),
                                 Join({kMonoClosedFast, {InSetting(kRepeatNumber, 1)}, Exposure(0, 2, 0, 0, 0)}),
                                 kMonoConnected,
                                 {}},
                      StatusCase{"HourBytesBelowTheirBases",
                                 kMono,
                                 MonoReply({0x05, 0, 0, 0, 0}, {0x15, 0, 0, 0, 0}),
                                 MonoReport(ClosedTime(-11, 0, 0, 0, 0) + ExposureTime(-11, 0, 0, 0, 0)),
                                 Join({kMonoClosedFast, {InSetting(kRepeatNumber, 1)}, Exposure(-11, 0, 0, 0, 0)}),
                                 kMonoConnected,
                                 {}},
                      StatusCase{"DigitsAreNotChecked",
                                 kMono,
                                 MonoReply({0x10, 0, 0, 0x99, 0x99}, {0x20, 0, 0, 0xFF, 0xFF}),
                                 MonoReport(ClosedTime(0, 0, 0, 999, 9) + ExposureTime(0, 0, 0, 1665, 15)),
                                 Join({kMonoClosedFast, {InSetting(kRepeatNumber, 1)}, Exposure(0, 0, 0, 1665, 15)}),
                                 kMonoConnected,
                                 {}},
                      StatusCase{
                          "OtherTriggerAndFreeRunCodes",
                          kMono,
                          {0xCC, 0xAB, 0xDD, 0x00, 0xA4, 0xB1, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0xF1, 0x12, 0x34, 0x0D},
                          kMonoTitle + "- Shutter status :                  Open conditional\n" +
                              "- Shutter mode :                  Soft\n" +
                              "- Shutter TTL IN :                Trigger on falling edge\n" +
                              "- Shutter TTL OUT :             High for open\n" + ClosedTime(0, 0, 0, 0, 0) +
                              ExposureTime(0, 0, 0, 0, 0) +
                              "- Shutter Free Run :            Free run enable by power on\n" + Repeat(0x1234),
                          Join({{InSetting(kShutterAstatus, 2), InSetting(kShutterAmode, 1),
                                 InSetting(kShutterAsteps, 0), InSetting(kRepeatNumber, 0x1234)},
                                Exposure(0, 0, 0, 0, 0)}),
                          kMonoConnected,
                          {}}),
    CaseName());

// ---- Replies that end early -------------------------------------------------
// What was not received keeps the window's values and is not reported.

INSTANTIATE_TEST_SUITE_P(
    ShortReplies, StatusReportTest,
    ::testing::Values(StatusCase{"EndsAfterTheWheel",
                                 kDuoWheelShutter,
                                 {0xCC, 0x32, 0x0D},
                                 kDuoTitle + DuoWheel(2, 3) + kEndedEarly,
                                 {InWheel(kFilterA, 2), InWheel(kSpeedA, 3)},
                                 {.filterA = 10, .speedA = 8},
                                 {}},
                      // The mode and its step count go together.
                      StatusCase{"EndsBeforeTheStepCount",
                                 kDuoWheelShutter,
                                 {0xCC, 0x32, 0xAA, 0xDE, 0x0D},
                                 kDuoTitle + DuoWheel(2, 3) + "- Shutter status :  Open\n" + kEndedEarly,
                                 {InWheel(kFilterA, 2), InWheel(kSpeedA, 3), InSetting(kShutterAstatus, 1)},
                                 {.filterA = 10, .speedA = 8},
                                 {}},
                      StatusCase{
                          "WithoutClosingByteEveryByteCounts",
                          kDuoWheelShutter,
                          {0xCC, 0x32, 0xAA, 0xDC},
                          kDuoTitle + DuoWheel(2, 3) + "- Shutter status :  Open\n" + "- Shutter mode :   Fast\n",
                          {InWheel(kFilterA, 2), InWheel(kSpeedA, 3), InSetting(kShutterAstatus, 1),
                           InSetting(kShutterAmode, 0), InSetting(kShutterAsteps, 0)},
                          kDuoWheelShutterConnected,
                          {}},
                      StatusCase{"EndsBeforeWheelC",
                                 kTriad,
                                 {0xCC, 0x41, 0xB2, 0x00, 0x0D},
                                 kTriadTitle + TriadWheel('A', 1, 4) + TriadWheel('B', 2, 3) + kEndedEarly,
                                 {InWheel(kFilterA, 1), InWheel(kSpeedA, 4), InWheel(kFilterB, 2), InWheel(kSpeedB, 3)},
                                 {.filterA = 10, .speedA = 8, .filterB = 10, .speedB = 8},
                                 {}},
                      StatusCase{"EchoOnly", kTriad, {0xCC}, kTriadTitle + kEndedEarly, {}, {}, {}},
                      // The window's time fields keep their values rather than show the closed time.
                      StatusCase{"EndsInsideTheExposureTime",
                                 kMono,
                                 MonoReply({0x11, 0x1E, 0x2D, 0x12, 0x34}, {0x22, 0x00}, {0x0D}),
                                 kMonoTitle + kMonoClose + kMonoFast + kTtlInDisabled + kTtlOutDisabled +
                                     ClosedTime(1, 30, 45, 123, 4) + kEndedEarly,
                                 kMonoClosedFast,
                                 kMonoConnected,
                                 {}},
                      StatusCase{"EndsInsideTheRepeatNumber",
                                 kMono,
                                 MonoReply({0, 0, 0, 0, 0}, {0, 0, 0, 0, 0}, {0xF3, 0x01, 0x0D}),
                                 MonoReport(ClosedTime(0, 0, 0, 0, 0) + ExposureTime(0, 0, 0, 0, 0),
                                            "- Shutter Free Run :            Free run go\n" + kEndedEarly),
                                 Join({kMonoClosedFast, Exposure(0, 0, 0, 0, 0)}),
                                 kMonoConnected,
                                 {}}),
    CaseName());

// ---- Layouts by itype -------------------------------------------------------

TEST_F(ReplyTest, EveryItypeButTheDuosAndTheTriadReadsTheMonoLayout) {
  const Bytes reply = MonoReply({0, 0, 0, 0, 0}, {0, 0, 0, 0, 0});
  for (int32_t variant : {4, 5, -1, 99}) {
    SCOPED_TRACE(variant);
    MemoryWindow window;
    Cycle fresh;
    itype = variant;
    decodeStatusReply(reply, fresh, window.controller);
    EXPECT_EQ(fresh.statusText, MonoReport(ClosedTime(0, 0, 0, 0, 0) + ExposureTime(0, 0, 0, 0, 0)));
  }
}

// Only a reply too short to identify the controller leaves itype at 0.
TEST_F(ReplyTest, WithoutAnIdentifiedControllerOnlyTheEarlyEndIsReported) {
  decodeStatusReply(Bytes{0xCC, 0xAA, 0x0D}, cycle, w.controller);
  EXPECT_EQ(cycle.statusText, kEndedEarly);
  ExpectCapture(cycle.capture, {});
  EXPECT_EQ(CountsOf(w), ListCounts{});
}

// ---- A second reply ---------------------------------------------------------

// A list cut once is never refilled, and a missing device's values stay.
TEST_F(ReplyTest, ASecondReplyDecodesButNoLongerCutsTheLists) {
  itype = kDuoWheelShutter;
  const Bytes missing = {0xCC, 0x0A, 0xAC, 0xDB, 0x0D};
  decodeStatusReply(missing, cycle, w.controller);
  ASSERT_EQ(CountsOf(w), (ListCounts{.filterA = 1, .speedA = 1, .shutterAmode = 1}));

  Cycle second;
  second.capture = UntouchedCapture();
  decodeStatusReply(missing, second, w.controller);
  EXPECT_EQ(second.statusText, cycle.statusText);
  ExpectCapture(second.capture, {InSetting(kShutterAstatus, 0)});
  EXPECT_EQ(CountsOf(w), (ListCounts{.filterA = 1, .speedA = 1, .shutterAmode = 1}));

  Cycle third;
  third.capture = UntouchedCapture();
  decodeStatusReply(Bytes{0xCC, 0x23, 0xAA, 0xDE, 0x28, 0x0D}, third, w.controller);
  EXPECT_EQ(third.statusText, kDuoTitle + DuoWheel(3, 2) + "- Shutter status :  Open\n" +
                                  "- Shutter mode :   Neutral density\n" +
                                  "- Shutter mode :   Neutral density steps number is 40 \n");
  ExpectCapture(third.capture, {InWheel(kFilterA, 3), InWheel(kSpeedA, 2), InSetting(kShutterAstatus, 1),
                                InSetting(kShutterAmode, 2), InSetting(kShutterAsteps, 40)});
  EXPECT_EQ(CountsOf(w), (ListCounts{.filterA = 1, .speedA = 1, .shutterAmode = 1}));
  EXPECT_FALSE(w.shutterAsteps.editable);
}

TEST_F(ReplyTest, ADeviceReportedMissingAfterItsListsWereCutKeepsItsValues) {
  itype = kDuoWheelShutter;
  decodeStatusReply(Bytes{0xCC, 0x23, 0xAA, 0xDC, 0x0D}, cycle, w.controller);
  ASSERT_EQ(CountsOf(w), kDuoWheelShutterConnected);

  Cycle second;
  second.capture = UntouchedCapture();
  decodeStatusReply(Bytes{0xCC, 0x0A, 0xAA, 0xDB, 0x0D}, second, w.controller);
  EXPECT_EQ(second.statusText, kDuoTitle + "- Wheel :              Not connected\n" + "- Shutter status :  Open\n" +
                                   "- Shutter mode :   Tandel shutter not connected\n");
  ExpectCapture(second.capture, {InSetting(kShutterAstatus, 1)});
  EXPECT_EQ(CountsOf(w), kDuoWheelShutterConnected);
  EXPECT_EQ(GrayControls(w), std::set<std::string>{});
  EXPECT_TRUE(w.shutterAsteps.editable);
}

}  // namespace
