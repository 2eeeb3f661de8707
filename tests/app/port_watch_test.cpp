// The list of ports follows change notices, not a clock: a device node that
// appears and goes, an emulator that starts and ends (however it ends), each
// within a second, and nothing listed while nothing changes. A refused
// announcement folder is told once per change of its state, and only the
// user's own trusted folder loses the announcements of ended emulators.
#include <fcntl.h>
#include <signal.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <QAbstractItemView>
#include <QComboBox>
#include <QLineEdit>
#include <QTest>

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <functional>
#include <memory>
#include <string>

#include "emulator_announcements.h"
#include "port_choice.h"
#include "pty_peer.h"
#include "users_files.h"

namespace {

namespace fs = std::filesystem;

std::string TempDir() {
  char pattern[] = "/tmp/korvel-watch-XXXXXX";
  const char* dir = mkdtemp(pattern);
  return dir == nullptr ? std::string() : std::string(dir);
}

int Count(const std::string& text, const std::string& part) {
  int count = 0;
  for (auto at = text.find(part); at != std::string::npos; at = text.find(part, at + part.size())) ++count;
  return count;
}

// An emulator of its own process: it announces the path and waits to be
// killed, which gives it no chance to withdraw.
class AnnouncingProcess {
 public:
  explicit AnnouncingProcess(const std::string& path) {
    int ready[2];
    if (pipe(ready) != 0) return;
    pid_ = fork();
    if (pid_ == 0) {
      close(ready[0]);
      const char answer = AnnounceEmulator(path).empty() ? 'n' : 'y';
      // Without the answer the parent reads 'n' and the test says so.
      if (write(ready[1], &answer, 1) != 1) _exit(1);
      for (;;) pause();
    }
    close(ready[1]);
    char answer = 'n';
    announced_ = pid_ > 0 && read(ready[0], &answer, 1) == 1 && answer == 'y';
    close(ready[0]);
  }
  ~AnnouncingProcess() { kill(); }
  AnnouncingProcess(const AnnouncingProcess&) = delete;
  AnnouncingProcess& operator=(const AnnouncingProcess&) = delete;

  bool announced() const { return announced_; }
  void kill() {
    if (pid_ <= 0) return;
    ::kill(pid_, SIGKILL);
    waitpid(pid_, nullptr, 0);
    pid_ = -1;
  }

 private:
  pid_t pid_ = -1;
  bool announced_ = false;
};

// A list of its own that watches a device folder of the test's, and the
// announcement folder the test points KORVEL_EMULATOR_DIR at.
class PortWatchTest : public ::testing::Test {
 protected:
  void SetUp() override {
    devices = TempDir();
    scratch = TempDir();
    ASSERT_FALSE(devices.empty() || scratch.empty());
    announcements = scratch + "/emulators";
    ASSERT_EQ(mkdir(announcements.c_str(), 0700), 0);
    ASSERT_EQ(setenv("KORVEL_EMULATOR_DIR", announcements.c_str(), 1), 0);
  }
  void TearDown() override {
    choice.reset();
    unsetenv("KORVEL_EMULATOR_DIR");
    fs::remove_all(devices);
    fs::remove_all(scratch);
  }

  // The device folder's entries are its ports, beside the emulators.
  void Watch() {
    choice = std::make_unique<PortChoice>(
        list, pathField,
        [this] {
          std::vector<ListedPort> ports = PortChoice::ListPortsAfresh();
          for (const auto& entry : fs::directory_iterator(devices)) {
            ports.push_back({PortGroup::kOther, {"node", entry.path().string()}, {}, {}, {}});
          }
          return ports;
        },
        PortFolders({devices}, announcements));
    ASSERT_TRUE(QTest::qWaitFor([&] { return choice->listings() > 0; }, 1000));
  }

  bool Listed(const std::string& entry) const { return list.findText(QString::fromStdString(entry)) >= 0; }

  // Waits for the next listing after something changed.
  bool Relisted(int before) {
    return QTest::qWaitFor([&] { return choice->listings() > before; }, 1000);
  }

 public:
  std::string devices;
  std::string scratch;
  std::string announcements;
  PtyPeer emulatorLine;
  QComboBox list;
  QLineEdit pathField;
  std::unique_ptr<PortChoice> choice;
  std::unique_ptr<AnnouncingProcess> emulator;
  std::string announcement;
};

// How a port comes and goes; plug returns its entry in the list.
struct Plug {
  const char* name;
  std::function<std::string(PortWatchTest&)> plug;
  std::function<void(PortWatchTest&)> unplug;
};

void PrintTo(const Plug& plug, std::ostream* out) { *out << plug.name; }

const std::string kEmulated = "  —  emulated controller";

const Plug kPlugs[] = {
    {"DeviceNode",
     [](PortWatchTest& t) {
       std::ofstream(t.devices + "/ttyUSB7");
       return t.devices + "/ttyUSB7  —  serial port";
     },
     [](PortWatchTest& t) { fs::remove(t.devices + "/ttyUSB7"); }},
    {"EmulatorThatWithdraws",
     [](PortWatchTest& t) {
       t.announcement = AnnounceEmulator(t.emulatorLine.path());
       EXPECT_FALSE(t.announcement.empty());
       return t.emulatorLine.path() + kEmulated;
     },
     [](PortWatchTest& t) { WithdrawEmulator(t.announcement); }},
    // The first emulator makes the folder, which is watched from then on.
    {"EmulatorInAFolderItMakes",
     [](PortWatchTest& t) {
       fs::remove(t.announcements);
       QTest::qWait(300);
       t.announcement = AnnounceEmulator(t.emulatorLine.path());
       EXPECT_FALSE(t.announcement.empty());
       return t.emulatorLine.path() + kEmulated;
     },
     [](PortWatchTest& t) { WithdrawEmulator(t.announcement); }},
    {"EmulatorKilled",
     [](PortWatchTest& t) {
       t.emulator = std::make_unique<AnnouncingProcess>(t.emulatorLine.path());
       EXPECT_TRUE(t.emulator->announced());
       return t.emulatorLine.path() + kEmulated;
     },
     [](PortWatchTest& t) { t.emulator->kill(); }},
};

class PlugTest : public PortWatchTest, public ::testing::WithParamInterface<Plug> {};

TEST_P(PlugTest, ShowsWithinASecondAndGoesWithinASecondAndNothingIsListedMeanwhile) {
  ASSERT_NO_FATAL_FAILURE(Watch());
  const std::string entry = GetParam().plug(*this);
  EXPECT_TRUE(QTest::qWaitFor([&] { return Listed(entry); }, 1000)) << "not offered: " << entry;

  // Settled: no clock takes the list again.
  QTest::qWait(300);
  const int settled = choice->listings();
  QTest::qWait(1500);
  EXPECT_EQ(choice->listings(), settled) << "the ports were listed while nothing changed";

  GetParam().unplug(*this);
  EXPECT_TRUE(QTest::qWaitFor([&] { return !Listed(entry); }, 1000)) << "still offered: " << entry;
  EXPECT_TRUE(QTest::qWaitFor([&] { return fs::is_empty(announcements); }, 1000))
      << "an ended emulator's announcement stayed in the user's own folder";
}

INSTANTIATE_TEST_SUITE_P(Ports, PlugTest, ::testing::ValuesIn(kPlugs),
                         [](const auto& info) { return std::string(info.param.name); });

// Many notices from a refused folder: it is told once, and told again only
// after it was trusted in between. An ended emulator's announcement stays in
// it while it is refused, and goes once the folder is the user's private one.
TEST_F(PortWatchTest, ARefusedFolderIsToldOncePerChangeAndKeepsWhatIsInIt) {
  const std::string planted = announcements + "/1-0";
  std::ofstream(planted) << emulatorLine.path() << '\n';  // nobody holds its lock
  ASSERT_EQ(chmod(announcements.c_str(), 0770), 0);
  const std::string refused = "Ignoring emulator directory " + announcements + " - writable by other users.\n";

  testing::internal::CaptureStdout();
  ASSERT_NO_FATAL_FAILURE(Watch());
  for (int i = 0; i < 3; ++i) {
    const int before = choice->listings();
    std::ofstream(announcements + "/note-" + std::to_string(i)) << "x\n";
    EXPECT_TRUE(Relisted(before)) << "a change in the folder was not noticed";
  }
  const std::string whileRefused = testing::internal::GetCapturedStdout();
  EXPECT_EQ(Count(whileRefused, refused), 1) << whileRefused;
  EXPECT_TRUE(fs::exists(planted)) << "removed from a refused folder";

  testing::internal::CaptureStdout();
  int before = choice->listings();
  ASSERT_EQ(chmod(announcements.c_str(), 0700), 0);
  EXPECT_TRUE(Relisted(before)) << "the folder's new permissions were not noticed";
  EXPECT_TRUE(QTest::qWaitFor([&] { return !fs::exists(planted); }, 1000))
      << "the ended emulator's announcement stayed in the private folder";
  before = choice->listings();
  ASSERT_EQ(chmod(announcements.c_str(), 0770), 0);
  EXPECT_TRUE(Relisted(before));
  const std::string afterwards = testing::internal::GetCapturedStdout();
  EXPECT_EQ(Count(afterwards, refused), 1) << afterwards;
}

// The user keeps files of their own in the folder: the list is taken and an
// ended emulator's announcement goes, and every one of the user's stays as it
// was, whatever its name or text.
TEST_F(PortWatchTest, TheUsersOwnFilesInTheFolderAreKept) {
  PlantUsersFiles(announcements);
  ASSERT_NO_FATAL_FAILURE(Watch());
  emulator = std::make_unique<AnnouncingProcess>(emulatorLine.path());
  ASSERT_TRUE(emulator->announced());
  const std::string entry = emulatorLine.path() + kEmulated;
  ASSERT_TRUE(QTest::qWaitFor([&] { return Listed(entry); }, 1000));
  emulator->kill();
  EXPECT_TRUE(QTest::qWaitFor([&] { return !Listed(entry); }, 1000));
  // The ended announcement is the only file that goes.
  EXPECT_TRUE(QTest::qWaitFor(
      [&] {
        return static_cast<std::size_t>(std::distance(fs::directory_iterator(announcements), {})) ==
               UsersFiles().size();
      },
      1000))
      << "the ended emulator's announcement stayed";
  EXPECT_EQ(UsersFilesLost(announcements), std::vector<std::string>{});
}

// A link in place of the announcement folder is refused, and nothing in
// the folder it points to is removed.
TEST_F(PortWatchTest, NothingIsRemovedThroughALink) {
  const std::string real = scratch + "/real";
  ASSERT_EQ(rename(announcements.c_str(), real.c_str()), 0);
  ASSERT_EQ(symlink(real.c_str(), announcements.c_str()), 0);
  const std::string planted = real + "/1-0";
  std::ofstream(planted) << emulatorLine.path() << '\n';

  testing::internal::CaptureStdout();
  ASSERT_NO_FATAL_FAILURE(Watch());
  const std::string printed = testing::internal::GetCapturedStdout();
  EXPECT_EQ(Count(printed, "Ignoring emulator directory " + announcements + " - a symbolic link.\n"), 1) << printed;
  EXPECT_TRUE(fs::exists(planted));
}

// Opening the pop-up, by mouse or key, takes the list first, and a notice
// that comes while it is open is listed once it has closed.
TEST_F(PortWatchTest, ThePopUpTakesTheListAsItOpensAndNoticesWaitForItToClose) {
  ASSERT_NO_FATAL_FAILURE(Watch());
  const int system = list.count();  // the machine's own ports
  std::ofstream(devices + "/ttyUSB7");
  ASSERT_TRUE(QTest::qWaitFor([&] { return list.count() == system + 1; }, 1000));
  list.show();
  ASSERT_TRUE(QTest::qWaitForWindowExposed(&list));
  for (const auto& open : std::vector<std::function<void()>>{
           [&] { QTest::mouseClick(&list, Qt::LeftButton); }, [&] { QTest::keyClick(&list, Qt::Key_F4); }}) {
    const int before = choice->listings();
    open();
    EXPECT_EQ(choice->listings(), before + 1) << "the pop-up opened without a listing";
    ASSERT_TRUE(QTest::qWaitFor([&] { return list.view()->isVisible(); }, 1000));
    std::ofstream(devices + "/ttyUSB8");
    QTest::qWait(400);
    EXPECT_EQ(list.count(), system + 1) << "the entries changed under the open pop-up";
    list.hidePopup();
    EXPECT_TRUE(QTest::qWaitFor([&] { return list.count() == system + 2; }, 1000)) << "the notice was lost";
    fs::remove(devices + "/ttyUSB8");
    ASSERT_TRUE(QTest::qWaitFor([&] { return list.count() == system + 1; }, 1000));
  }
}

// A folder that cannot be watched is told once; the list is then taken on a
// slow clock instead.
TEST_F(PortWatchTest, AFolderThatCannotBeWatchedIsToldOnce) {
  const std::string missing = devices + "/missing";
  testing::internal::CaptureStdout();
  auto folders = PortFolders({missing}, announcements);
  PortChoice first(list, pathField, [] { return std::vector<ListedPort>{}; }, folders);
  PortChoice second(list, pathField, [] { return std::vector<ListedPort>{}; }, folders);
  const std::string printed = testing::internal::GetCapturedStdout();
  EXPECT_EQ(printed, "Cannot watch " + missing +
                         " for changes - No such file or directory(2); the list of ports is taken every 5 s.\n");
}

}  // namespace
