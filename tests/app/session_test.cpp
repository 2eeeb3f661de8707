// The console's actions in its window: every way of closing ends the program
// through exit: once, with the port's settings put back; nothing runs in the
// middle of a command cycle, while the window goes on handling its events.
#include <signal.h>

#include <QApplication>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTest>
#include <QTimer>
#include <QWidget>

#include <gtest/gtest.h>

#include <cstring>
#include <functional>
#include <memory>
#include <string>

#include "action_gate.h"
#include "console_session.h"
#include "console_window.h"
#include "cycle_state.h"
#include "line_settings.h"
#include "session_fixture.h"
#include "port_setup.h"
#include "pty_peer.h"
#include "serial_state.h"
#include "stop_signals.h"
#include "tessaro_controller.h"

namespace {

int CountOf(const std::string& text, const std::string& part) {
  int count = 0;
  for (auto at = text.find(part); at != std::string::npos; at = text.find(part, at + part.size())) ++count;
  return count;
}

struct CloseWay {
  const char* name;
  std::function<void(SessionTest&)> close;
};

const CloseWay kCloseWays[] = {
    {"ExitButton", [](SessionTest& t) { t.window.buttons().exit->click(); }},
    {"WindowClosed", [](SessionTest& t) { t.window.widget().close(); }},
    {"CtrlQ", [](SessionTest& t) { QTest::keyClick(&t.window.widget(), Qt::Key_Q, Qt::ControlModifier); }},
    {"StopRequest", [](SessionTest& t) { t.session->requestExit(); }},
};

void PrintTo(const CloseWay& way, std::ostream* out) { *out << way.name; }

class CloseTest : public SessionTest, public ::testing::WithParamInterface<CloseWay> {};

TEST_P(CloseTest, EndsTheProgramThroughExitWithThePortRestored) {
  const termios before = port.settings();
  OpenPort();
  ASSERT_FALSE(SameLineSettings(port.settings(), before)) << "opening changed nothing to restore";

  GetParam().close(*this);

  EXPECT_EQ(ends, 1);
  EXPECT_EQ(fileDescriptor, -1);
  EXPECT_TRUE(SameLineSettings(port.settings(), before)) << "the port kept the console's settings";
  EXPECT_FALSE(window.widget().isVisible());
}

TEST_P(CloseTest, ExitRunsOnlyOnce) {
  window.buttons().exit->click();
  ASSERT_EQ(ends, 1);
  window.widget().show();
  QApplication::setActiveWindow(&window.widget());
  ASSERT_TRUE(QTest::qWaitForWindowActive(&window.widget()));

  GetParam().close(*this);

  EXPECT_EQ(ends, 1) << "exit: ran again";
}

INSTANTIATE_TEST_SUITE_P(Ways, CloseTest, ::testing::ValuesIn(kCloseWays),
                         [](const ::testing::TestParamInfo<CloseWay>& info) { return info.param.name; });

// The controller never answers: the cycle waits for the first reply byte, and
// meanwhile the window handles a close and a second send.
TEST_F(SessionTest, ACloseDuringACycleWaitsForItsEndAndASecondSendIsTurnedAway) {
  OpenPort();
  struct {
    bool ran = false;
    bool duringCycle = false;
    bool portOpen = false;
    bool visible = false;
    int ends = -1;
  } seen;
  QTimer::singleShot(0, [&] {
    seen.ran = true;
    seen.duringCycle = session->gate().busy();
    window.buttons().send->click();
    window.widget().close();
    seen.portOpen = fileDescriptor >= 0;
    seen.visible = window.widget().isVisible();
    seen.ends = ends;
  });
  controller.filterA->selectItemAtIndex(3);

  window.buttons().send->click();

  ASSERT_TRUE(seen.ran) << "the window handled no event during the transaction";
  EXPECT_TRUE(seen.duringCycle);
  EXPECT_TRUE(seen.portOpen) << "the port was closed in the middle of the cycle";
  EXPECT_EQ(seen.ends, 0);
  EXPECT_TRUE(seen.visible) << "the window went away before the cycle had ended";
  EXPECT_EQ(CountOf(Log(), "****************************************\n"), 1) << "a second cycle ran";
  EXPECT_EQ(CountOf(Log(), "** Command Ignored **"), 1);
  EXPECT_EQ(ends, 1) << "the deferred close did not end the program";
  EXPECT_EQ(fileDescriptor, -1);
  EXPECT_FALSE(window.widget().isVisible());
}

TEST(ActionGateTest, ActionsRunOneAtATimeAndExitOnlyOnce) {
  int exits = 0;
  ActionGate gate([&] { ++exits; });
  int runs = 0;
  bool nestedRan = true;
  EXPECT_TRUE(gate.run([&] {
    ++runs;
    nestedRan = gate.run([&] { ++runs; });
    gate.requestExit();
    EXPECT_EQ(exits, 0);
  }));
  EXPECT_FALSE(nestedRan);
  EXPECT_EQ(runs, 1);
  EXPECT_EQ(exits, 1);
  gate.requestExit();
  EXPECT_FALSE(gate.run([&] { ++runs; })) << "an action ran after exit";
  EXPECT_EQ(exits, 1);
  EXPECT_EQ(runs, 1);
}

TEST(StopSignalsTest, ASignalReachesTheEventLoop) {
  int stops = 0;
  StopSignals stopSignals([&] { ++stops; });
  ASSERT_TRUE(stopSignals.installed());
  ASSERT_EQ(raise(SIGTERM), 0);
  ASSERT_EQ(raise(SIGINT), 0);
  EXPECT_TRUE(QTest::qWaitFor([&] { return stops > 0; }, 2000));
}

}  // namespace
