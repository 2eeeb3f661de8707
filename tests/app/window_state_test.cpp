// What the window tells the operator beside its fixed texts: the port's
// state on the status line, a command under way, changes that were not sent;
// and how it takes input: Close, lists without typing, number fields that
// take only numbers, Enter that sends, input refused during a command.
#include <grp.h>
#include <sys/ioctl.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <QApplication>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>
#include <QTimer>

#include <gtest/gtest.h>

#include <cerrno>
#include <chrono>
#include <filesystem>
#include <fstream>
#include <functional>
#include <iterator>
#include <regex>
#include <stdexcept>
#include <string>

#include "line_settings.h"
#include "port_state.h"
#include "session_fixture.h"
#include "status_line.h"

namespace {

using namespace std::chrono_literals;

const std::string kPath = "/dev/ttyUSB0";

// ---- The port's state, as the status line words it -----------------------

PortView Failed(int error, OpenStep step = OpenStep::kOpening, std::string path = kPath) {
  PortView port;
  port.path = std::move(path);
  port.health.failedStep = step;
  port.health.failedError = error;
  return port;
}

PortView Opened(bool onLine, bool hungUp) {
  PortView port;
  port.path = kPath;
  port.open = true;
  port.health.onLine = onLine;
  port.health.hungUp = hungUp;
  return port;
}

PortView Silent() {
  PortView port = Opened(true, false);
  port.silent = true;
  return port;
}

TEST(PortStateTextTest, SaysWhatThePortDoesAndWhatToDo) {
  PortView closed;
  closed.path = kPath;
  closed.closedByOperator = true;
  const struct {
    const char* name;
    PortView port;
    std::string text;
  } cases[] = {
      {"none yet", PortView{}, "No port open. Search, then Open."},
      {"on line", Opened(true, false), kPath + " is open and the controller is on line."},
      {"no on-line answer", Opened(false, false),
       kPath + " is open and set to 300 baud, but the controller did not answer the on-line byte EE. Check that it "
               "is switched on and connected to this port, then Open again."},
      {"silent since", Silent(),
       kPath + " is open, but the controller did not answer the last command. Check that it is switched on and "
               "connected; its next reply clears this."},
      {"gone", Opened(true, true), kPath + " went away (unplugged or switched off). Search, then Open."},
      {"closed", closed, kPath + " is closed; other programs may use it. Open uses it again."},
      {"no path", Failed(ENOENT, OpenStep::kOpening, ""), "No port to open. Search first, then Open."},
      {"no device", Failed(ENOENT),
       "Could not open " + kPath + ": no such device. Plug the controller in, then Search and Open."},
      {"held, exclusive", Failed(EBUSY),
       "Could not open " + kPath + ": another program holds the port. End it there, then Open again."},
      {"held, locked", Failed(EBUSY, OpenStep::kLocking),
       "Could not open " + kPath + ": another program holds the port. End it there, then Open again."},
      {"no terminal", Failed(ENOTTY, OpenStep::kGettingAttributes),
       "Could not open " + kPath + ": this is no serial port. Search, then Open."},
      {"other", Failed(EIO, OpenStep::kSettingAttributes),
       "Could not open " + kPath + ": setting it to 300 baud failed: Input/output error."},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    EXPECT_EQ(PortStateText(c.port), c.text);
  }
}

// A port on a serial device server: why its open failed, and its going away.
TEST(PortStateTextTest, SaysWhatANetworkPortDoes) {
  const std::string address = "rfc2217://lab-pc:2217";
  PortView refused = Failed(EPROTO, OpenStep::kNegotiating, address);
  refused.health.refusedSetting = LineSetting::kBaudRate;
  refused.health.answeredValue = 9600;
  PortView held = Failed(EBUSY, OpenStep::kNegotiating, address);
  held.health.serverWords = "Port already in use";
  PortView gone = Opened(true, true);
  gone.path = address;
  const std::string again = " Check the address and the server, then Open again.";
  const struct {
    const char* name;
    PortView port;
    std::string text;
  } cases[] = {
      {"host not found", Failed(ENOENT, OpenStep::kResolving, address),
       "Could not open " + address + ": host not found." + again},
      {"refused", Failed(ECONNREFUSED, OpenStep::kConnecting, address),
       "Could not open " + address + ": connection refused." + again},
      {"no answer", Failed(ETIMEDOUT, OpenStep::kNegotiating, address),
       "Could not open " + address + ": no answer within 5 s." + again},
      {"setting refused", refused,
       "Could not open " + address + ": the server did not take the baud rate 300 (it set 9600)." + again},
      {"held", held,
       "Could not open " + address +
           ": another program holds the port (the server said \"Port already in use\"). End it there, then Open again."},
      {"gone", gone, address + " went away (the server closed the connection or it was lost). Open again."},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    EXPECT_EQ(PortStateText(c.port), c.text);
  }
}

// The device node belongs to a group the operator is not in: the open is
// refused, and the status line names the group and how to join it. Played by
// a child process that gives up root, with the pseudo-terminal given to the
// group dialout as a USB adapter's node is.
TEST(PortStateTextTest, PermissionDeniedNamesTheOwningGroupAndHowToJoinIt) {
  const group* dialout = getgrnam("dialout");
  if (geteuid() != 0 || dialout == nullptr) GTEST_SKIP() << "needs root and a group dialout to give the node away";
  PtyPeer line;
  ASSERT_EQ(chown(line.path().c_str(), 0, dialout->gr_gid), 0);
  ASSERT_EQ(chmod(line.path().c_str(), 0660), 0);
  int ends[2];
  ASSERT_EQ(pipe(ends), 0);
  const pid_t child = fork();
  ASSERT_GE(child, 0);
  if (child == 0) {
    constexpr uid_t kNobody = 65534;
    if (setgroups(0, nullptr) != 0 || setgid(kNobody) != 0 || setuid(kNobody) != 0) _exit(77);
    ResetSerialState();
    std::strcpy(bsdPath, line.path().c_str());
    const bool refused = ::OpenPort() < 0;
    const std::string text = PortStateText(CurrentPort(line.path(), false, false));
    const bool written = write(ends[1], text.data(), text.size()) == static_cast<ssize_t>(text.size());
    _exit(refused && written ? 0 : 1);
  }
  close(ends[1]);
  std::string text;
  char chunk[512];
  for (ssize_t got; (got = read(ends[0], chunk, sizeof chunk)) > 0;) text.append(chunk, static_cast<size_t>(got));
  close(ends[0]);
  int status = 0;
  ASSERT_EQ(waitpid(child, &status, 0), child);
  ASSERT_TRUE(WIFEXITED(status));
  if (WEXITSTATUS(status) == 77) GTEST_SKIP() << "could not become nobody";
  ASSERT_EQ(WEXITSTATUS(status), 0) << text;
  EXPECT_EQ(text, "Could not open " + line.path() +
                      ": permission denied. The port belongs to the group dialout. Join it with: sudo usermod -a -G "
                      "dialout nobody and then log out and in again.");
}

// ---- The window through a session on a pseudo-terminal --------------------

// The close, gone and exit entries of a session record, without their times.
std::string RecordEvents(const std::string& path) {
  std::ifstream file(path);
  std::string line;
  std::string events;
  const std::regex timed(R"(^\d{4}-\d\d-\d\dT[0-9:.]+[+-]\d\d:\d\d (close|gone|exit)(.*)$)");
  while (std::getline(file, line)) {
    std::smatch m;
    if (std::regex_match(line, m, timed)) events += m[1].str() + m[2].str() + "\n";
  }
  return events;
}

class WindowStateTest : public SessionTest {
 protected:
  std::string PortState() { return window.statusLine().portState(); }
  std::string Message() { return window.statusLine().message(); }
  // The message after a cycle without the reply's time that opens it, which
  // differs from run to run.
  std::string MessageBesideTime() {
    static const std::regex kTime(R"(^Reply in \d+\.\d\d s(; )?)");
    return std::regex_replace(Message(), kTime, "");
  }

  template <class W>
  W& Find(const char* name) {
    W* found = window.widget().findChild<W*>(name);
    if (found == nullptr) throw std::runtime_error(std::string("no ") + name);
    return *found;
  }

  // Search shows the line's path, Open puts the controller on line.
  void OpenOnLine() {
    Find<QLineEdit>("searchField").setText(QString::fromStdString(port.path()));
    CannedReply onLine(port, 1, {0xEE, 0x0D});
    window.buttons().open->click();
    ASSERT_EQ(onLine.Received(), Bytes{0xEE});
    ASSERT_EQ(PortState(), port.path() + " is open and the controller is on line.");
  }
};

TEST_F(WindowStateTest, TheStatusLineFollowsThePortThroughOpenHangUpAndClose) {
  EXPECT_EQ(PortState(), "No port open. Search, then Open.");
  ASSERT_NO_FATAL_FAILURE(OpenOnLine());

  port.hangUp();
  controller.filterA->selectItemAtIndex(3);
  window.buttons().send->click();
  EXPECT_EQ(PortState(), port.path() + " went away (unplugged or switched off). Search, then Open.");
  EXPECT_EQ(controller.openField->stringValue(), "The port went away.") << "the field contradicts the status line";
  EXPECT_NE(Log().find("not sent: the port went away"), std::string::npos) << "the log says why nothing went out";
}

TEST_F(WindowStateTest, CloseLetsGoOfThePortAndTheConsoleGoesOn) {
  const termios before = port.settings();
  ASSERT_NO_FATAL_FAILURE(OpenOnLine());

  window.buttons().close->click();

  EXPECT_EQ(fileDescriptor, -1);
  EXPECT_TRUE(SameLineSettings(port.settings(), before)) << "the port kept the console's settings";
  EXPECT_EQ(ends, 0);
  EXPECT_TRUE(window.widget().isVisible());
  EXPECT_EQ(PortState(), port.path() + " is closed; other programs may use it. Open uses it again.");
  EXPECT_EQ(controller.openField->stringValue(), "The port is closed.") << "the field contradicts the status line";
  const int other = OpenSerialPort(port.path().c_str());
  EXPECT_GE(other, 0) << "another program cannot have the port";
  if (other >= 0) CloseSerialPort(other);

  ASSERT_NO_FATAL_FAILURE(OpenOnLine());
  EXPECT_EQ(controller.openField->stringValue(), "Port is ready for communication.");
}

// The Record button says what it does; the record keeps Close, the port
// going away and Exit beside the opens and cycles.
TEST_F(WindowStateTest, TheRecordKeepsCloseThePortGoingAwayAndExit) {
  char dir[] = "/tmp/korvel-record-XXXXXX";
  ASSERT_NE(mkdtemp(dir), nullptr);
  const std::string path = std::string(dir) + "/record.txt";
  QPushButton& record = *window.keepingControls().record;
  EXPECT_EQ(record.text().toStdString(), "Record…");
  ASSERT_TRUE(session->startRecord(path));
  EXPECT_EQ(record.text().toStdString(), "Stop Recording");
  EXPECT_EQ(Message(), "Recording the session in " + path + ".");

  ASSERT_NO_FATAL_FAILURE(OpenOnLine());
  window.buttons().close->click();
  ASSERT_NO_FATAL_FAILURE(OpenOnLine());
  port.hangUp();
  controller.filterA->selectItemAtIndex(3);
  window.buttons().send->click();
  controller.filterA->selectItemAtIndex(4);
  window.buttons().send->click();  // the going away is kept once
  session->requestExit();
  EXPECT_EQ(ends, 1);

  EXPECT_EQ(RecordEvents(path),
            "close " + port.path() + "\ngone " + port.path() + ": unplugged or switched off\nexit\n");
  std::filesystem::remove_all(dir);
}

// A Send the controller does not answer turns the state line to say so; the
// next reply turns it back.
TEST_F(WindowStateTest, AControllerFallenSilentIsToldUntilItRepliesAgain) {
  ASSERT_NO_FATAL_FAILURE(OpenOnLine());
  controller.filterA->selectItemAtIndex(3);
  window.buttons().send->click();
  EXPECT_EQ(PortState(), port.path() + " is open, but the controller did not answer the last command. Check that it "
                                       "is switched on and connected; its next reply clears this.");
  EXPECT_EQ(port.pending(), Bytes{0x03});
  controller.filterA->selectItemAtIndex(4);
  CannedReply reply(port, 1, {0x04, 0x0D});
  window.buttons().send->click();
  EXPECT_EQ(reply.Received(), Bytes{0x04});
  EXPECT_EQ(PortState(), port.path() + " is open and the controller is on line.");
}

// An Open whose on-line byte gets no answer: the field beside Open, the
// status line and the record agree on what happened and what to try.
TEST_F(WindowStateTest, AFailedOnLineCheckIsExplainedAlikeInTheFieldTheStatusLineAndTheRecord) {
  char dir[] = "/tmp/korvel-record-XXXXXX";
  ASSERT_NE(mkdtemp(dir), nullptr);
  const std::string path = std::string(dir) + "/record.txt";
  ASSERT_TRUE(session->startRecord(path));
  Find<QLineEdit>("searchField").setText(QString::fromStdString(port.path()));
  window.buttons().open->click();
  const std::string explained = port.path() +
                                " is open and set to 300 baud, but the controller did not answer the on-line byte EE. "
                                "Check that it is switched on and connected to this port, then Open again.";
  EXPECT_EQ(controller.openField->stringValue(), "Failed to open the communication port.");
  EXPECT_EQ(PortState(), explained);
  EXPECT_EQ(Find<QLabel>("portState").toolTip().toStdString(), explained);
  std::ifstream file(path);
  const std::string record((std::istreambuf_iterator<char>(file)), std::istreambuf_iterator<char>());
  EXPECT_NE(record.find(" open " + port.path() + ": Failed to open the communication port. " + explained + "\n"),
            std::string::npos)
      << record;
  std::filesystem::remove_all(dir);
}

// Unplugged while no command runs: the status line, the field beside Open
// and the record say so within a second, without a Send. A byte that
// arrives meanwhile is no hang-up and stays for the next command.
TEST_F(WindowStateTest, APortThatGoesAwayWhileIdleIsToldWithinASecond) {
  char dir[] = "/tmp/korvel-record-XXXXXX";
  ASSERT_NE(mkdtemp(dir), nullptr);
  const std::string path = std::string(dir) + "/record.txt";
  ASSERT_TRUE(session->startRecord(path));
  ASSERT_NO_FATAL_FAILURE(OpenOnLine());
  const std::string onLine = PortState();

  port.send({0x55});
  QTest::qWait(300);
  EXPECT_EQ(PortState(), onLine) << "a stray byte was taken for a hang-up";
  int waiting = 0;
  ASSERT_EQ(ioctl(fileDescriptor, FIONREAD, &waiting), 0);
  EXPECT_EQ(waiting, 1) << "the stray byte was taken off the line";

  port.hangUp();
  const std::string gone = port.path() + " went away (unplugged or switched off). Search, then Open.";
  EXPECT_TRUE(QTest::qWaitFor([&] { return PortState() == gone; }, 1000)) << PortState();
  EXPECT_EQ(controller.openField->stringValue(), "The port went away.");
  controller.filterA->selectItemAtIndex(3);
  window.buttons().send->click();  // finds the port gone as well; told once
  EXPECT_EQ(PortState(), gone);
  session->requestExit();
  EXPECT_EQ(RecordEvents(path), "gone " + port.path() + ": unplugged or switched off\nexit\n");
  std::filesystem::remove_all(dir);
}

// A command that carries several controls counts them all as sent: a
// mode with its steps, a Triad's batch with the wheel and shutter it moves.
struct CarriedCase {
  const char* name;
  std::function<void(TessaroController&)> change;
  Bytes command;
};

void PrintTo(const CarriedCase& c, std::ostream* out) { *out << c.name; }

class CarriedControls : public WindowStateTest, public testing::WithParamInterface<CarriedCase> {};

TEST_P(CarriedControls, AreNotNamedAsUnsent) {
  ASSERT_NO_FATAL_FAILURE(OpenOnLine());
  {
    CannedReply status(port, 1, {0xCC, 0x00, 0x80, 0xFC, 0x00, 0xAC, 0xBC, 0xDC, 0x01, 0xDC, 0x02, 0x0D});
    controller.otherCommand->selectItemAtIndex(1);
    window.buttons().send->click();
    ASSERT_EQ(status.Received(), Bytes{0xCC});
  }
  const CarriedCase& c = GetParam();
  Bytes answer = c.command;
  answer.push_back(0x0D);
  CannedReply command(port, c.command.size(), answer);
  c.change(controller);
  window.buttons().send->click();
  EXPECT_EQ(command.Received(), c.command);
  EXPECT_EQ(MessageBesideTime(), "");
}

INSTANTIATE_TEST_SUITE_P(
    Window, CarriedControls,
    testing::Values(CarriedCase{"ModeWithItsSteps",
                                [](TessaroController& w) {
                                  w.shutterAsteps->setStringValue("50");
                                  w.shutterAmode->selectItemAtIndex(2);
                                },
                                {0xDE, 0x01, 0x32}},
                    CarriedCase{"TriadBatch",
                                [](TessaroController& w) {
                                  w.filterA->selectItemAtIndex(3);
                                  w.shutterAstatus->selectItemAtIndex(1);
                                  w.otherCommand->selectItemAtIndex(9);
                                },
                                {0xBD, 0x03, 0xAA, 0xBE}}),
    [](const auto& info) { return std::string(info.param.name); });

// A status-line text wider than the window is cut where it shows and whole
// one hover away, for the port's state as for any message.
TEST_F(WindowStateTest, TextsTooLongForTheStatusLineAreWholeInTheirTooltips) {
  const std::string path = "/nosuchdir/" + std::string(150, 'x') + "/log.txt";
  EXPECT_FALSE(session->startRecord(path));
  Find<QLineEdit>("searchField").setText(QString::fromStdString(path));
  window.buttons().open->click();
  QApplication::processEvents();
  for (const char* name : {"statusMessage", "portState"}) {
    SCOPED_TRACE(name);
    const QLabel& label = Find<QLabel>(name);
    EXPECT_NE(label.text().toStdString().find(path), std::string::npos);
    EXPECT_GT(label.fontMetrics().horizontalAdvance(label.text()), label.width()) << "the text is not cut here";
    EXPECT_EQ(label.toolTip(), label.text());
  }
}

// Until a status reply names the controller now attached, the status line
// suggests the query; the console sends nothing by itself.
TEST_F(WindowStateTest, AfterOpenTheStatusQueryIsSuggestedUntilAStatusReply) {
  const std::string hint = "Send a status query so that the window takes this controller's shape";
  ASSERT_NO_FATAL_FAILURE(OpenOnLine());
  EXPECT_EQ(Message(), hint);
  EXPECT_EQ(port.pending(), Bytes{}) << "sent by itself";

  CannedReply status(port, 1, {0xCC, 0x00, 0x80, 0xFC, 0x00, 0xAC, 0xBC, 0xDC, 0x01, 0xDC, 0x02, 0x0D});
  controller.otherCommand->selectItemAtIndex(1);
  window.buttons().send->click();
  ASSERT_EQ(status.Received(), Bytes{0xCC});
  EXPECT_EQ(MessageBesideTime(), "");

  window.buttons().close->click();
  ASSERT_NO_FATAL_FAILURE(OpenOnLine());
  EXPECT_EQ(Message(), hint) << "a port opened anew may hold another controller";
}

// A Send that finds nothing changed says so; the log keeps its separator.
TEST_F(WindowStateTest, ASendWithNothingChangedSaysSo) {
  ASSERT_NO_FATAL_FAILURE(OpenOnLine());
  window.buttons().send->click();
  EXPECT_EQ(Message(), "Nothing changed since the last Send; nothing sent.");
  EXPECT_EQ(Log(), std::string(40, '*') + "\n");
  EXPECT_EQ(port.pending(), Bytes{});
}

// Clear (or Ctrl+L) empties both views; the session record keeps the
// cycles they showed, and the next cycle's entry is its own, whole.
TEST_F(WindowStateTest, ClearEmptiesTheViewsAndTheRecordKeepsEverything) {
  char dir[] = "/tmp/korvel-clear-XXXXXX";
  ASSERT_NE(mkdtemp(dir), nullptr);
  const std::string path = std::string(dir) + "/record.txt";
  ASSERT_TRUE(session->startRecord(path));
  ASSERT_NO_FATAL_FAILURE(OpenOnLine());
  CannedReply first(port, 1, {0x05, 0x0D});
  controller.filterA->selectItemAtIndex(5);
  window.buttons().send->click();
  ASSERT_EQ(first.Received(), Bytes{0x05});
  ASSERT_NE(Log(), "");

  QPushButton& clear = *window.keepingControls().clear;
  EXPECT_EQ(clear.text().toStdString(), "Clear");
  QTest::keyClick(&window.widget(), Qt::Key_L, Qt::ControlModifier);
  EXPECT_EQ(Log(), "") << "Ctrl+L";
  EXPECT_EQ(window.statusText(), "");

  CannedReply second(port, 1, {0x03, 0x0D});
  controller.filterA->selectItemAtIndex(3);
  window.buttons().send->click();
  ASSERT_EQ(second.Received(), Bytes{0x03});
  EXPECT_EQ(Log().find("0x5"), std::string::npos) << "the cleared cycle came back";
  EXPECT_NE(Log().find("0x3"), std::string::npos);
  clear.click();
  EXPECT_EQ(Log(), "") << "the button";

  std::ifstream file(path);
  const std::string record((std::istreambuf_iterator<char>(file)), std::istreambuf_iterator<char>());
  EXPECT_NE(record.find("sent: 05"), std::string::npos) << record;
  EXPECT_NE(record.find("sent: 03"), std::string::npos) << record;
  EXPECT_NE(record.find("0x3"), std::string::npos) << "the second cycle's log lines";
  std::filesystem::remove_all(dir);
}

// The controller never answers, so the cycle waits a whole second for it.
TEST_F(WindowStateTest, ACommandUnderWayShowsItselfAndRefusesInput) {
  ASSERT_NO_FATAL_FAILURE(OpenOnLine());
  QComboBox& speedB = Find<QComboBox>("speedB");
  struct {
    bool ran = false;
    std::string message;
    bool sendEnabled = true;
    bool busyPointer = false;
  } seen;
  QTimer::singleShot(400, [&] {
    seen.ran = true;
    seen.message = Message();
    seen.sendEnabled = window.buttons().send->isEnabled();
    seen.busyPointer = QApplication::overrideCursor() != nullptr;
    QTest::keyClick(&speedB, Qt::Key_Down);
  });
  controller.filterA->selectItemAtIndex(3);

  window.buttons().send->click();

  ASSERT_TRUE(seen.ran) << "the window handled no event during the transaction";
  EXPECT_EQ(seen.message, "Waiting for the controller's reply to 03…");
  EXPECT_FALSE(seen.sendEnabled);
  EXPECT_TRUE(seen.busyPointer);
  EXPECT_EQ(speedB.currentIndex(), 0) << "a key pressed during the command reached a list";
  EXPECT_EQ(port.pending(), Bytes{0x03});
  EXPECT_TRUE(window.buttons().send->isEnabled());
  EXPECT_EQ(QApplication::overrideCursor(), nullptr);
  EXPECT_EQ(MessageBesideTime(), "");
}

TEST_F(WindowStateTest, ChangesNotSentAreNamed) {
  ASSERT_NO_FATAL_FAILURE(OpenOnLine());
  CannedReply shutter(port, 1, {0xAA, 0x0D});
  controller.shutterAstatus->selectItemAtIndex(1);
  controller.filterA->selectItemAtIndex(3);
  controller.tHour->setStringValue("2");

  window.buttons().send->click();

  EXPECT_EQ(shutter.Received(), Bytes{0xAA});
  EXPECT_EQ(MessageBesideTime(), "Not sent (one command per Send): wheel A filter, hours; the window shows them, the "
                       "controller does not have them.");

  CannedReply wheel(port, 1, {0x05, 0x0D});
  controller.filterA->selectItemAtIndex(5);
  window.buttons().send->click();
  EXPECT_EQ(wheel.Received(), Bytes{0x05});
  EXPECT_EQ(MessageBesideTime(), "") << "one change, sent";
}

// A byte before the reply's echo is dropped and named, beside the changes
// the cycle left unsent; the log shows the reply alone.
TEST_F(WindowStateTest, BytesDroppedBeforeTheReplyAreNamed) {
  ASSERT_NO_FATAL_FAILURE(OpenOnLine());
  CannedReply shutter(port, 1, {0x0D, 0xAA, 0x0D});
  controller.shutterAstatus->selectItemAtIndex(1);
  controller.filterA->selectItemAtIndex(3);
  window.buttons().send->click();
  EXPECT_EQ(shutter.Received(), Bytes{0xAA});
  EXPECT_TRUE(std::regex_match(Message(), std::regex(R"(Reply in 0\.\d\d s; .*)"))) << Message();
  EXPECT_EQ(MessageBesideTime(), "1 byte before the reply dropped: 0D; Not sent (one command per Send): wheel A filter; "
                                 "the window shows them, the controller does not have them.");
  EXPECT_EQ(Log(), "170       0xAA\n13         0xD\n" + std::string(40, '*') + "\n");
}

TEST_F(WindowStateTest, EnterInTheCommandListOrAFieldSends) {
  ASSERT_NO_FATAL_FAILURE(OpenOnLine());
  EXPECT_TRUE(window.buttons().send->isDefault());

  CannedReply command(port, 1, {0xEF, 0x0D});
  QComboBox& list = Find<QComboBox>("otherCommand");
  list.setFocus();
  QTest::keyClick(&list, Qt::Key_Down);
  QTest::keyClick(&list, Qt::Key_Down);
  QTest::keyClick(&list, Qt::Key_Down);
  ASSERT_EQ(controller.otherCommand->indexOfSelectedItem(), 3);
  QTest::keyClick(&list, Qt::Key_Return);
  EXPECT_EQ(command.Received(), Bytes{0xEF});
  EXPECT_EQ(Log(), "239       0xEF\n13         0xD\n" + std::string(40, '*') + "\n");

  // Nothing changed: the cycle adds only its separator.
  QLineEdit& steps = Find<QLineEdit>("shutterAsteps");
  steps.setFocus();
  QTest::keyClick(&steps, Qt::Key_Return);
  EXPECT_EQ(Log(), "239       0xEF\n13         0xD\n" + std::string(40, '*') + "\n" + std::string(40, '*') + "\n");
}

TEST_F(WindowStateTest, NumberFieldsTakeOnlyWhatTheyCanMeanAndShowTheirRange) {
  const struct {
    const char* field;
    const char* typed;
    const char* kept;
    const char* range;
  } cases[] = {
      {"tHour", "1a2-", "12", "0–4"},
      {"tMinute", " 59", "59", "0–59"},
      {"shutterAsteps", "144", "144", "1–144"},
      {"shutterBsteps", "x", "", "1–144"},
      {"tMsecond", "9999999999", "999999999", "0–999"},
      {"repeatNumber", "CONTinuous", "CONTinuous", "1–65000 or continuous"},
      {"repeatNumber", "contx", "cont", "1–65000 or continuous"},
      {"repeatNumber", "650017", "650017", "1–65000 or continuous"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(std::string(c.field) + " typed " + c.typed);
    QLineEdit& field = Find<QLineEdit>(c.field);
    field.clear();
    field.setFocus();
    QTest::keyClicks(&field, QString::fromUtf8(c.typed));
    EXPECT_EQ(field.text().toStdString(), c.kept);
    EXPECT_EQ(field.placeholderText().toStdString(), c.range);
    EXPECT_FALSE(field.toolTip().isEmpty());
  }
  EXPECT_FALSE(Find<QLineEdit>("searchField").placeholderText().isEmpty()) << "nothing says to Search first";
}

}  // namespace
