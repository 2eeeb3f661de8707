// The window's actions other than the command cycle, on a pseudo-terminal.
#include <fcntl.h>
#include <stdlib.h>

#include <gtest/gtest.h>

#include <filesystem>
#include <string>

#include "emulator_announcements.h"
#include "window_line_fixture.h"

namespace {

class ActionsTest : public WindowLineTest {};

TEST_F(ActionsTest, SearchShowsThePathItFound) {
  char dir[] = "/tmp/korvel-window-test-XXXXXX";
  ASSERT_NE(mkdtemp(dir), nullptr);
  ASSERT_EQ(setenv("KORVEL_EMULATOR_DIR", dir, 1), 0);
  const std::string announcement = AnnounceEmulator(line.path());
  ASSERT_FALSE(announcement.empty());
  w.searchField.text = "from an earlier search";

  w.controller.search();

  EXPECT_EQ(w.searchField.text, std::string(bsdPath));
  EXPECT_FALSE(w.searchField.text.empty());
  WithdrawEmulator(announcement);
  unsetenv("KORVEL_EMULATOR_DIR");
  std::filesystem::remove_all(dir);
}

TEST_F(ActionsTest, OpenBeforeSearchFails) {
  w.controller.open();
  EXPECT_EQ(w.openField.text, kFailed);
  EXPECT_EQ(fileDescriptor, -1);
}

TEST_F(ActionsTest, OpenShowsTheOutcomeOfTheLatestAttempt) {
  PutLineIntoPath();
  w.controller.open();  // nobody answers the on-line byte
  EXPECT_EQ(w.openField.text, kFailed);
  // Left on the line, the unanswered byte would be taken for the next
  // attempt's, and answered before that attempt discards its stale input.
  EXPECT_EQ(line.pending(), Bytes{0xEE});

  CannedReply controller(line, 1, {0xEE});
  w.controller.open();
  EXPECT_EQ(controller.Received(), Bytes{0xEE});
  EXPECT_EQ(w.openField.text, kReady);
  EXPECT_GE(fileDescriptor, 0);
}

TEST_F(ActionsTest, ExitClosesThePortAndTheWindowAndEndsTheProgram) {
  PutLineIntoPath();
  CannedReply controller(line, 1, {0xEE});
  w.controller.open();
  ASSERT_EQ(w.openField.text, kReady);
  const int port = fileDescriptor;
  int ends = 0;
  w.controller.endProgram = [&] { ++ends; };

  w.controller.exit();

  EXPECT_EQ(fileDescriptor, -1);
  EXPECT_EQ(fcntl(port, F_GETFD), -1) << "the port's descriptor is still open";
  EXPECT_TRUE(w.myWindow.closed);
  EXPECT_EQ(ends, 1);
}

TEST_F(ActionsTest, ExitWithoutAPortStillEndsTheProgram) {
  int ends = 0;
  w.controller.endProgram = [&] { ++ends; };
  w.controller.exit();
  EXPECT_TRUE(w.myWindow.closed);
  EXPECT_EQ(ends, 1);
}

TEST_F(ActionsTest, ExitWithoutAnEndingLeavesTheCallerRunning) {
  w.controller.exit();
  EXPECT_TRUE(w.myWindow.closed);
}

}  // namespace
