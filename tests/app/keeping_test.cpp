// What the window keeps and offers: every port found in the list beside the
// path field, following plugs and unplugs (never in a command's wait); Save
// Log's file; the session record when its file cannot be written.
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <QComboBox>
#include <QDateTime>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>
#include <QTimer>

#include <QTimeZone>

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <thread>

#include "command_cycle.h"
#include "emulator_announcements.h"
#include "file_size_limit.h"
#include "saved_log.h"
#include "session_fixture.h"

namespace {

std::string ReadFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream text;
  text << in.rdbuf();
  return text.str();
}

std::string TempDir() {
  char pattern[] = "/tmp/korvel-keeping-XXXXXX";
  const char* dir = mkdtemp(pattern);
  return dir == nullptr ? std::string() : std::string(dir);
}

std::vector<std::string> Entries(const QComboBox& list) {
  std::vector<std::string> entries;
  for (int i = 0; i < list.count(); ++i) entries.push_back(list.itemText(i).toStdString());
  return entries;
}

// Emulators are announced in a folder of the test's own, so that those of
// other tests running at the same time stay out of the list.
class PortListTest : public SessionTest {
 protected:
  void SetUp() override {
    dir = TempDir();
    ASSERT_FALSE(dir.empty());
    setenv("KORVEL_EMULATOR_DIR", dir.c_str(), 1);
    SessionTest::SetUp();
  }
  void TearDown() override {
    SessionTest::TearDown();
    unsetenv("KORVEL_EMULATOR_DIR");
    std::filesystem::remove_all(dir);
  }
  QComboBox& List() { return *window.keepingControls().portChoice; }
  QLineEdit& PathField() { return *window.keepingControls().pathField; }
  bool Listed(const std::string& entry) {
    const auto entries = Entries(List());
    return std::find(entries.begin(), entries.end(), entry) != entries.end();
  }

  std::string dir;
};

// Within a second of an emulator starting it is offered, and picking it
// fills the path field; when it ends it goes, and the field stays as it was.
TEST_F(PortListTest, FollowsAnEmulatorThatStartsAndEndsAndPickingFillsThePathField) {
  PtyPeer second;
  const std::string entry = port.path() + "  —  emulated controller";
  PathField().setText("typed by the operator");
  EXPECT_FALSE(Listed(entry));

  const std::string announcement = AnnounceEmulator(port.path());
  ASSERT_FALSE(announcement.empty());
  const std::string secondAnnouncement = AnnounceEmulator(second.path());
  ASSERT_TRUE(QTest::qWaitFor([&] { return Listed(entry); }, 1000)) << "the emulator was not offered";
  EXPECT_EQ(PathField().text().toStdString(), "typed by the operator") << "the list changed the path field";
  // Search order: the emulators by path, before the system's other ports.
  const auto entries = Entries(List());
  const auto first = std::find(entries.begin(), entries.end(), entry);
  const auto other = std::find(entries.begin(), entries.end(), second.path() + "  —  emulated controller");
  ASSERT_NE(other, entries.end());
  EXPECT_EQ(first < other, port.path() < second.path());

  const int index = List().findText(QString::fromStdString(entry));
  List().setCurrentIndex(index);
  emit List().activated(index);
  EXPECT_EQ(PathField().text().toStdString(), port.path());

  WithdrawEmulator(announcement);
  ASSERT_TRUE(QTest::qWaitFor([&] { return !Listed(entry); }, 1000)) << "the ended emulator stayed offered";
  EXPECT_EQ(PathField().text().toStdString(), port.path());
  WithdrawEmulator(secondAnnouncement);
}

// An emulator that starts while a command waits for its slow reply is not
// listed during the wait, though the window handles its events then; the
// list takes it as soon as the cycle has ended.
TEST_F(PortListTest, NothingIsListedWhileACommandWaitsForItsReply) {
  OpenPort();
  PtyPeer plugged;
  const std::string entry = plugged.path() + "  —  emulated controller";
  std::string announcement;
  int listingsAtPlug = -1;
  int listingsLater = -1;
  bool listedDuringTheWait = false;
  QTimer::singleShot(0, [&] {
    listingsAtPlug = session->portChoice().listings();
    announcement = AnnounceEmulator(plugged.path());
  });
  QTimer::singleShot(600, [&] {
    listingsLater = session->portChoice().listings();
    listedDuringTheWait = Listed(entry);
  });
  // The wheel's move ends 0.9 s after its command.
  std::thread line([this] {
    port.receive(1);
    std::this_thread::sleep_for(std::chrono::milliseconds(900));
    port.send({0x03, 0x0D});
  });
  controller.filterA->selectItemAtIndex(3);
  window.buttons().send->click();
  line.join();

  ASSERT_FALSE(announcement.empty());
  ASSERT_GE(listingsLater, 0) << "the window handled no event during the wait";
  EXPECT_EQ(listingsLater, listingsAtPlug) << "the ports were listed during the wait";
  EXPECT_FALSE(listedDuringTheWait);
  EXPECT_NE(Log().find("3           0x3\n13         0xD\n"), std::string::npos) << Log();
  EXPECT_TRUE(Listed(entry)) << "the list did not take the emulator when the cycle ended";
  WithdrawEmulator(announcement);
}

TEST(SavedLog, WritesBothViewsExactlyAndReplacesTheFileWhole) {
  const std::string dir = TempDir();
  ASSERT_FALSE(dir.empty());
  const std::string path = dir + "/log.txt";
  {
    std::ofstream old(path);
    old << "an older and much longer file that must not show through\n";
  }
  const std::string log = "204       0xCC\n" + std::string(kSeparator);
  const std::string status = "Wheel A: filter 1\nShutter A: closed";
  SavedLogHeader header;
  header.when = QDateTime(QDate(2026, 12, 10), QTime(14, 3, 7), QTimeZone::utc());
  header.port = "/dev/ttyUSB0";
  header.variant = "triad";
  header.configuration = "3W2S Triad controller fw 1.07";
  header.programVersion = "korvel-console 9.9.9";
  EXPECT_EQ(WriteSavedLog(QString::fromStdString(path), header, log, status), "");
  const std::string saved = "korvel-console 9.9.9 log, saved " + header.when.toString(Qt::ISODate).toStdString();
  EXPECT_EQ(saved.rfind("korvel-console 9.9.9 log, saved 2026-12-10T14:03:07", 0), 0u);
  EXPECT_EQ(ReadFile(path), saved + "\nPort: /dev/ttyUSB0\n"
                            "Controller: triad\nConfiguration: 3W2S Triad controller fw 1.07\n\nLog\n" +
                                log + "\nStatus\n" + status + "\n");
  // Before a port, a status reply or a configuration query the header says so.
  const std::string none = SavedLogText({header.when, "", "", "", header.programVersion}, log, status);
  EXPECT_EQ(none.substr(0, none.find("\n\nLog\n")),
            saved + "\nPort: none open\n"
            "Controller: not known yet (no status reply)\nConfiguration: not queried");

  const std::string missing = dir + "/gone/log.txt";
  const std::string failure = WriteSavedLog(QString::fromStdString(missing), header, log, status);
  EXPECT_EQ(failure.rfind("The log could not be saved in " + missing + ": ", 0), 0u) << failure;
  std::filesystem::remove_all(dir);
}

TEST(SavedLog, DefaultNameHoldsTheDateAndTime) {
  const QDateTime when(QDate(2026, 12, 10), QTime(14, 3, 7));
  EXPECT_EQ(DefaultLogName(when).toStdString(), "korvel-log-2026-12-10-140307.txt");
}

class RecordFailureTest : public SessionTest {
 protected:
  // Send with nothing changed: a cycle that sends nothing and logs its
  // separator, as a working console does.
  void CycleRuns() {
    const std::size_t before = Log().size();
    window.buttons().send->click();
    EXPECT_EQ(Log().substr(before), kSeparator);
  }
  std::string Message() { return window.statusLine().message(); }
};

// A full disk: the first cycle's entry fails, the window says so once, the
// recording stops, the console goes on.
TEST_F(RecordFailureTest, AFullDiskIsToldOnceAndTheConsoleGoesOn) {
  const std::string path =
      (std::filesystem::temp_directory_path() / ("korvel-full-" + std::to_string(getpid()) + ".log")).string();
  ASSERT_TRUE(session->startRecord(path));
  EXPECT_TRUE(window.keepingControls().record->isChecked());
  {
    const FileSizeLimit disk(0);
    ASSERT_TRUE(disk.ok());
    CycleRuns();
  }
  unlink(path.c_str());
  EXPECT_EQ(Message(), "The session record in " + path + " has stopped: File too large.");
  EXPECT_FALSE(session->record().recording());
  EXPECT_FALSE(window.keepingControls().record->isChecked());
  CycleRuns();
  EXPECT_EQ(Message(), "Nothing changed since the last Send; nothing sent.") << "the failure was told again";
}

// An unprivileged user (in a forked child) cannot create the record in a
// folder that is not theirs to write: the window says why and goes on.
TEST_F(RecordFailureTest, AFolderWithoutWritePermissionIsToldAndTheConsoleGoesOn) {
  if (geteuid() != 0) GTEST_SKIP() << "changing to another user needs root";
  const std::string dir = TempDir();
  ASSERT_FALSE(dir.empty());
  ASSERT_EQ(chmod(dir.c_str(), 0755), 0);
  const std::string path = dir + "/record.txt";
  const pid_t child = fork();
  ASSERT_GE(child, 0);
  if (child == 0) {
    constexpr uid_t kNobody = 65534;
    if (setgid(kNobody) != 0 || setuid(kNobody) != 0) _exit(3);
    const bool started = session->startRecord(path);
    const bool told = Message() == "The session record cannot be kept in " + path + ": Permission denied.";
    const std::size_t before = Log().size();
    window.buttons().send->click();
    const bool worked = Log().substr(before) == kSeparator;
    _exit(!started && told && worked && !window.keepingControls().record->isChecked() ? 0 : 1);
  }
  int status = 0;
  ASSERT_EQ(waitpid(child, &status, 0), child);
  EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << "status " << status;
  EXPECT_FALSE(std::filesystem::exists(path));
  std::filesystem::remove_all(dir);
}

}  // namespace
