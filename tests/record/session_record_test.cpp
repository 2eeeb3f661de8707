// The session record against real files: what it writes, that it only ever
// appends, where it refuses to write, and how a failed write ends the
// recording without losing what the file held.
#include <fcntl.h>
#include <grp.h>
#include <signal.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <regex>
#include <sstream>

#include "forked_child.h"
#include "session_record.h"

namespace {

// A cycle's entry from its bytes and texts: nothing dropped, no times.
CycleEntry Cycle(std::vector<uint8_t> sent, std::string refusal, std::string log, std::string status) {
  CycleEntry entry;
  entry.sent = std::move(sent);
  entry.refusal = std::move(refusal);
  entry.logText = std::move(log);
  entry.statusText = std::move(status);
  return entry;
}

using namespace std::chrono_literals;
namespace fs = std::filesystem;

// A user without any right to the test's files.
constexpr uid_t kNobody = 65534;
constexpr int kCannotDropPrivileges = 77;

const std::string kSeparator(40, '*');
const std::string kReady = "Port is ready for communication.";

std::string ReadFile(const std::string& path) {
  std::ifstream file(path, std::ios::binary);
  std::ostringstream text;
  text << file.rdbuf();
  return text.str();
}

void WriteFile(const std::string& path, const std::string& text) { std::ofstream(path, std::ios::binary) << text; }

// Each entry's leading local time, checked by its form and replaced by "<time>".
std::string WithoutTimes(const std::string& text) {
  static const std::regex kTime(R"(^\d{4}-\d{2}-\d{2}T\d{2}:\d{2}:\d{2}\.\d{3}[+-]\d{2}:\d{2} )");
  std::istringstream lines(text);
  std::string result;
  for (std::string line; std::getline(lines, line);) {
    result += std::regex_replace(line, kTime, "<time> ", std::regex_constants::format_first_only) + '\n';
  }
  return result;
}

bool DropPrivileges() { return setgroups(0, nullptr) == 0 && setgid(kNobody) == 0 && setuid(kNobody) == 0; }

// The cases of a table make their files through the fixture, so its parts
// are public.
class SessionRecordTest : public testing::Test {
 public:
  void SetUp() override {
    char pattern[] = "/tmp/session-record-XXXXXX";
    ASSERT_NE(mkdtemp(pattern), nullptr);
    dir = pattern;
    path = dir + "/record.log";
  }
  void TearDown() override {
    if (reader >= 0) close(reader);
    std::error_code ignored;
    fs::remove_all(dir, ignored);
  }

  std::string dir;
  std::string path;
  int reader = -1;  // the reading end of a FIFO a case made
};

TEST_F(SessionRecordTest, EachEntryIsInTheFileTheMomentItHappened) {
  SessionRecord record;
  ASSERT_EQ(record.start(path), "");
  EXPECT_TRUE(record.recording());
  EXPECT_EQ(record.recordSearch("/dev/ttyUSB0"), "");
  // Still open: the entry is in the file without a close.
  EXPECT_EQ(WithoutTimes(ReadFile(path)), "<time> search: /dev/ttyUSB0\n");

  EXPECT_EQ(record.recordSearch(""), "");
  EXPECT_EQ(record.recordOpen("/dev/ttyUSB0", kReady), "");
  EXPECT_EQ(record.recordCycle(Cycle({0xCC}, "", "204         0xCC\n13         0xD\n" + kSeparator + "\n",
                                     "Wheel A: filter 1\nShutter A: closed")),
            "");
  EXPECT_EQ(record.recordCycle(Cycle({}, "** Invalid value **\nSteps must be 1 to 10.\n",
                                     "** Invalid value **\nSteps must be 1 to 10.\n" + kSeparator + "\n", "")),
            "");
  EXPECT_EQ(record.recordCycle(Cycle({0xFC, 0x0A, 0x23}, "", "252         0xFC\n", "")), "");
  EXPECT_EQ(record.recordCycle({{0xEF}, "", "239       0xEF\n", "", {0x0D, 0xFF}}), "");
  EXPECT_EQ(WithoutTimes(ReadFile(path)),
            "<time> search: /dev/ttyUSB0\n"
            "<time> search: no port found\n"
            "<time> open /dev/ttyUSB0: Port is ready for communication.\n"
            "<time> cycle\n"
            "sent: CC\n"
            "log:\n"
            "204         0xCC\n"
            "13         0xD\n" +
                kSeparator +
                "\n"
                "status:\n"
                "Wheel A: filter 1\n"
                "Shutter A: closed\n"
                "<time> cycle\n"
                "sent: nothing sent\n"
                "** Invalid value **\n"
                "Steps must be 1 to 10.\n"
                "log:\n"
                "** Invalid value **\n"
                "Steps must be 1 to 10.\n" +
                kSeparator +
                "\n"
                "status:\n"
                "<time> cycle\n"
                "sent: FC 0A 23\n"
                "log:\n"
                "252         0xFC\n"
                "status:\n"
                "<time> cycle\n"
                "sent: EF\n"
                "dropped: 0D FF\n"
                "log:\n"
                "239       0xEF\n"
                "status:\n");
}

struct TimeCase {
  const char* zone;  // a POSIX TZ rule, which needs no time zone database
  const char* expected;
};

TEST(LocalTimeText, IsIso8601WithMillisecondsAndTheOffset) {
  // 2026-12-10T13:03:07.045Z
  const auto when = std::chrono::system_clock::time_point(1'796'907'787'045ms);
  const std::string saved = std::getenv("TZ") ? std::getenv("TZ") : "";
  for (const TimeCase& c : {TimeCase{"UTC0", "2026-12-10T13:03:07.045+00:00"},
                            TimeCase{"CET-1", "2026-12-10T14:03:07.045+01:00"},
                            TimeCase{"NST+3:30", "2026-12-10T09:33:07.045-03:30"}}) {
    setenv("TZ", c.zone, 1);
    tzset();
    EXPECT_EQ(LocalTimeText(when), c.expected) << c.zone;
  }
  EXPECT_EQ(LocalTimeText(std::chrono::system_clock::time_point(1'796'907'787'000ms)).substr(19, 4), ".000");
  saved.empty() ? unsetenv("TZ") : setenv("TZ", saved.c_str(), 1);
  tzset();
}

TEST_F(SessionRecordTest, AppendsToWhatTheFileHeldAndNeverTruncates) {
  WriteFile(path, "an earlier session\n");
  SessionRecord record;
  ASSERT_EQ(record.start(path), "");
  EXPECT_EQ(record.recordSearch("/dev/pts/3"), "");
  // Starting again, on the same file, appends after the first recording.
  ASSERT_EQ(record.start(path), "");
  EXPECT_EQ(record.recordOpen("/dev/pts/3", kReady), "");
  record.stop();
  EXPECT_FALSE(record.recording());
  EXPECT_EQ(record.recordSearch("/dev/pts/4"), "") << "a stopped record writes nothing";
  EXPECT_EQ(WithoutTimes(ReadFile(path)),
            "an earlier session\n<time> search: /dev/pts/3\n<time> open /dev/pts/3: " + kReady + "\n");
}

struct RefusedCase {
  const char* name;
  // Makes the case in the test's folder; the path to record to.
  std::function<std::string(SessionRecordTest&)> make;
  const char* reason;
};

void PrintTo(const RefusedCase& c, std::ostream* out) { *out << c.name; }

class RefusedPlaces : public SessionRecordTest, public testing::WithParamInterface<RefusedCase> {};

TEST_P(RefusedPlaces, AreNamedWithTheReasonAndLeftAlone) {
  const std::string target = GetParam().make(*this);
  SessionRecord record;
  EXPECT_EQ(record.start(target),
            "The session record cannot be kept in " + target + ": " + GetParam().reason + ".");
  EXPECT_FALSE(record.recording());
  EXPECT_EQ(record.recordSearch("/dev/ttyUSB0"), "");
}

INSTANTIATE_TEST_SUITE_P(
    Cases, RefusedPlaces,
    testing::Values(
        RefusedCase{"MissingFolder", [](SessionRecordTest& t) { return t.dir + "/gone/record.log"; },
                    "No such file or directory"},
        RefusedCase{"AFolder", [](SessionRecordTest& t) { return t.dir; }, "Is a directory"},
        // Opening a FIFO for writing would block until a reader came, and
        // writing to one would block whenever its reader stopped reading.
        RefusedCase{"FifoWithoutReader",
                    [](SessionRecordTest& t) {
                      mkfifo(t.path.c_str(), 0600);
                      return t.path;
                    },
                    "it is a FIFO, not a file"},
        RefusedCase{"FifoWithReader",
                    [](SessionRecordTest& t) {
                      mkfifo(t.path.c_str(), 0600);
                      t.reader = open(t.path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
                      return t.path;
                    },
                    "it is a FIFO, not a file"},
        // A record written onto a controller's line would be commands.
        RefusedCase{"ADevice", [](SessionRecordTest&) { return std::string("/dev/null"); },
                    "it is a device, not a file"},
        RefusedCase{"ALinkToADevice",
                    [](SessionRecordTest& t) {
                      // A failed link leaves no file: the case then fails on its message.
                      return symlink("/dev/null", t.path.c_str()) == 0 ? t.path : std::string();
                    },
                    "it is a device, not a file"}),
    [](const testing::TestParamInfo<RefusedCase>& info) { return std::string(info.param.name); });

// In a folder every user may write to, another user plants a symbolic link
// at the name the operator will give, pointing at a file of the operator's.
// The folder is not sticky: in a sticky one the kernel may refuse to follow
// the link by itself (fs.protected_symlinks), and the console's own check
// would go untested.
TEST_F(SessionRecordTest, SymbolicLinkOfAnotherUserIsNotFollowed) {
  if (geteuid() != 0) {
    GTEST_SKIP() << "only root can make a link owned by another user";
  }
  ASSERT_EQ(chmod(dir.c_str(), 0777), 0);
  const std::string victim = dir + "/thesis.txt";
  WriteFile(victim, "a year of work\n");
  ASSERT_EQ(symlink(victim.c_str(), path.c_str()), 0);
  ASSERT_EQ(lchown(path.c_str(), kNobody, kNobody), 0);

  SessionRecord record;
  EXPECT_EQ(record.start(path),
            "The session record cannot be kept in " + path + ": it is a symbolic link owned by another user.");
  EXPECT_EQ(ReadFile(victim), "a year of work\n");
}

TEST_F(SessionRecordTest, OwnSymbolicLinkIsFollowed) {
  const std::string target = dir + "/records/today.log";
  ASSERT_EQ(mkdir((dir + "/records").c_str(), 0700), 0);
  ASSERT_EQ(symlink(target.c_str(), path.c_str()), 0);
  SessionRecord record;
  ASSERT_EQ(record.start(path), "");
  EXPECT_EQ(record.recordSearch("/dev/ttyUSB0"), "");
  EXPECT_EQ(WithoutTimes(ReadFile(target)), "<time> search: /dev/ttyUSB0\n");
}

// The disk fills up after the first entry of this session (a file size limit
// plays the full disk): the earlier content and the entry stay whole.
TEST_F(SessionRecordTest, FailedWriteKeepsEverythingTheFileHeld) {
  const std::string earlier = "an earlier session\n";
  WriteFile(path, earlier);
  const std::string search = "<time> search: /dev/ttyUSB0\n";
  const std::size_t searchSize = search.size() - std::string("<time>").size() + std::string("2026-12-10T14:03:07.045+01:00").size();

  ForkedChild console([&](ForkedChild&) {
    signal(SIGXFSZ, SIG_IGN);
    const rlimit limit{earlier.size() + searchSize, earlier.size() + searchSize};
    if (setrlimit(RLIMIT_FSIZE, &limit) != 0) return 1;
    SessionRecord record;
    if (!record.start(path).empty()) return 2;
    std::printf("search: '%s'\n", record.recordSearch("/dev/ttyUSB0").c_str());
    std::printf("cycle: '%s'\n", record.recordCycle(Cycle({0xCC}, "", "204         0xCC\n", "")).c_str());
    std::printf("recording: %d\n", record.recording());
    std::printf("open: '%s'\n", record.recordOpen("/dev/ttyUSB0", kReady).c_str());
    return 0;
  });
  ASSERT_TRUE(console.started());
  EXPECT_EQ(console.Wait(10s), 0);
  EXPECT_EQ(console.output(), "search: ''\ncycle: 'The session record in " + path +
                                  " has stopped: File too large.'\nrecording: 0\nopen: ''\n");
  EXPECT_EQ(WithoutTimes(ReadFile(path)), earlier + search);
}

// Root may write anywhere, so the operator is played by a child process that
// gives up root first.
TEST_F(SessionRecordTest, FolderWithoutWritePermission) {
  const std::string locked = dir + "/locked";
  ASSERT_EQ(mkdir(locked.c_str(), 0755), 0);
  ASSERT_EQ(chmod(dir.c_str(), 0755), 0);
  if (geteuid() != 0) {
    ASSERT_EQ(chmod(locked.c_str(), 0555), 0);
  }
  const std::string target = locked + "/record.log";

  ForkedChild operatorProcess([&](ForkedChild&) {
    if (geteuid() == 0 && !DropPrivileges()) return kCannotDropPrivileges;
    SessionRecord record;
    std::printf("%s\n", record.start(target).c_str());
    std::printf("recording: %d\n", record.recording());
    return 0;
  });
  ASSERT_TRUE(operatorProcess.started());
  const int status = operatorProcess.Wait(10s);
  if (status == kCannotDropPrivileges) {
    GTEST_SKIP() << "a child process could not become uid " << kNobody;
  }
  EXPECT_EQ(status, 0);
  EXPECT_EQ(operatorProcess.output(),
            "The session record cannot be kept in " + target + ": Permission denied.\nrecording: 0\n");
  EXPECT_FALSE(fs::exists(target));
}

}  // namespace
