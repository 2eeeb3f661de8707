// Emulator announcements that another local user could have made, or that no
// running emulator stands behind. A port search never offers their paths,
// nothing is written through them, and the user's own emulator is still found
// wherever it could announce itself.
#include <fcntl.h>
#include <grp.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <set>

#include "announcement_dir.h"
#include "console_fixture.h"
#include "emulator_announcements.h"
#include "forked_child.h"
#include "serial_state.h"

namespace {

using namespace std::chrono_literals;
namespace fs = std::filesystem;

constexpr uid_t kNobody = 65534;
constexpr int kCannotDropPrivileges = 77;

std::set<std::string> Entries(const std::string& dir) {
  std::set<std::string> names;
  std::error_code error;
  for (fs::directory_iterator it(dir, error), end; !error && it != end; it.increment(error)) {
    names.insert(it->path().filename().string());
  }
  return names;
}

std::string Contents(const std::string& file) {
  std::ifstream in(file);
  return std::string(std::istreambuf_iterator<char>(in), {});
}

// A file that says what an announcement says; held: a lock is taken on it as
// a running emulator holds one on its own (the descriptor keeps it).
OwnedFd Plant(const std::string& file, const std::string& text, bool held) {
  OwnedFd fd(open(file.c_str(), O_RDWR | O_CREAT | O_TRUNC | O_CLOEXEC, 0600));
  EXPECT_TRUE(fd.valid()) << file;
  EXPECT_EQ(write(fd.get(), text.data(), text.size()), static_cast<ssize_t>(text.size()));
  struct flock lock {};
  lock.l_type = F_WRLCK;
  lock.l_whence = SEEK_SET;
  if (held) {
    EXPECT_EQ(fcntl(fd.get(), F_OFD_SETLK, &lock), 0);
  }
  return fd;
}

class AnnouncementTrustTest : public ConsoleTest {
 public:
  // For the tables of hostile cases.
  const std::string& OwnDir() const { return announcementDir; }
  const std::string& Decoy() const { return peer->path(); }
  std::string scratchDir;
  std::string victim;
  std::string foreignDir;
  // The locks of the planted announcements, kept for the whole test.
  std::vector<OwnedFd> heldLocks;

 protected:
  void SetUp() override {
    ConsoleTest::SetUp();
    char scratch[] = "/tmp/korvel-scratch-XXXXXX";
    ASSERT_NE(mkdtemp(scratch), nullptr);
    scratchDir = scratch;
    victim = scratchDir + "/victim";
    std::ofstream(victim) << "the user's own file\n";
  }
  void TearDown() override {
    heldLocks.clear();
    ConsoleTest::TearDown();
    std::error_code ignored;
    fs::remove_all(scratchDir, ignored);
    if (!foreignDir.empty()) fs::remove_all(foreignDir, ignored);
  }


 public:
  // The search neither offered nor touched the decoy pty, and the user's
  // file is as it was.
  void ExpectNothingOfferedOrWritten(const std::string& searched) {
    EXPECT_EQ(searched.find(peer->path()), std::string::npos) << searched;
    EXPECT_NE(std::string(bsdPath), peer->path());
    EXPECT_EQ(peer->receive(1, 100ms), Bytes{}) << "a byte was written to the decoy line";
    EXPECT_EQ(Contents(victim), "the user's own file\n");
  }

  // A directory made by uid 65534, holding an announcement of the decoy pty
  // that a process of that user keeps locked. Empty when no child could
  // become that user.
  std::string MakeForeignDir(std::unique_ptr<ForkedChild>& owner) {
    const std::string decoy = peer->path();
    owner = std::make_unique<ForkedChild>([decoy](ForkedChild& self) {
      if (setgroups(0, nullptr) != 0 || setgid(kNobody) != 0 || setuid(kNobody) != 0) return kCannotDropPrivileges;
      char dir[] = "/tmp/korvel-foreign-XXXXXX";
      if (mkdtemp(dir) == nullptr || chmod(dir, 0755) != 0) return 1;
      const OwnedFd held = Plant(std::string(dir) + "/1-0", decoy + "\n", true);
      std::printf("%s\n", dir);
      std::fflush(stdout);
      self.WaitForGo();
      return 0;
    });
    if (!owner->ReadUntil("\n", 5s)) return {};
    foreignDir = owner->output().substr(0, owner->output().size() - 1);
    return foreignDir;
  }
};

// How each hostile directory is made; it returns the directory's path.
struct HostileDir {
  const char* name;
  std::string (*make)(AnnouncementTrustTest& test, std::unique_ptr<ForkedChild>& owner);
  const char* problem;
};

// An own directory that says the decoy is a running emulator.
std::string OwnDirAnnouncingTheDecoy(AnnouncementTrustTest& test, mode_t mode) {
  const std::string dir = test.OwnDir() + "/own";
  EXPECT_EQ(mkdir(dir.c_str(), 0700), 0);
  EXPECT_EQ(chmod(dir.c_str(), mode), 0);
  test.heldLocks.push_back(Plant(dir + "/1-0", test.Decoy() + "\n", true));
  return dir;
}

const HostileDir kHostileDirs[] = {
    {"OwnedByAnotherUser", [](AnnouncementTrustTest& t, std::unique_ptr<ForkedChild>& owner) {
       return t.MakeForeignDir(owner);
     }, "owned by another user"},
    {"GroupWritable", [](AnnouncementTrustTest& t, std::unique_ptr<ForkedChild>&) {
       return OwnDirAnnouncingTheDecoy(t, 0770);
     }, "writable by other users"},
    {"WorldWritableSticky", [](AnnouncementTrustTest& t, std::unique_ptr<ForkedChild>&) {
       return OwnDirAnnouncingTheDecoy(t, 01777);
     }, "writable by other users"},
    {"SymbolicLinkToAnOwnDirectory", [](AnnouncementTrustTest& t, std::unique_ptr<ForkedChild>&) {
       const std::string target = OwnDirAnnouncingTheDecoy(t, 0700);
       const std::string link = t.scratchDir + "/link";
       EXPECT_EQ(symlink(target.c_str(), link.c_str()), 0);
       return link;
     }, "a symbolic link"},
    {"RegularFile", [](AnnouncementTrustTest& t, std::unique_ptr<ForkedChild>&) {
       const std::string file = t.scratchDir + "/file";
       std::ofstream(file) << t.Decoy() << '\n';
       return file;
     }, "not a directory"},
};

void PrintTo(const HostileDir& c, std::ostream* out) { *out << c.name; }

class HostileDirTest : public AnnouncementTrustTest, public ::testing::WithParamInterface<HostileDir> {};

// The console ignores the directory with one line, and the emulator will not
// announce in it: it says why, and the directory is left as it was.
TEST_P(HostileDirTest, SearchIgnoresItAndTheEmulatorDoesNotAnnounceInIt) {
  std::unique_ptr<ForkedChild> owner;
  const std::string dir = GetParam().make(*this, owner);
  if (dir.empty() && owner && owner->Wait(1s) == kCannotDropPrivileges) {
    GTEST_SKIP() << "a child process could not become uid " << kNobody;
  }
  ASSERT_FALSE(dir.empty());
  ASSERT_EQ(setenv("KORVEL_EMULATOR_DIR", dir.c_str(), 1), 0);
  const std::set<std::string> before = Entries(dir);

  const std::string ignored = "Ignoring emulator directory " + dir + " - " + GetParam().problem + ".\n";
  const std::string searched = Search();
  EXPECT_EQ(searched.rfind(ignored, 0), 0u) << searched;
  EXPECT_EQ(searched.find(ignored, 1), std::string::npos) << "more than one line: " << searched;
  ExpectNothingOfferedOrWritten(searched);

  emulator::EmulatorServer::Options options;
  options.baud = 0;
  emulator::EmulatorServer refused(options);
  ASSERT_TRUE(refused.start()) << refused.error();
  EXPECT_TRUE(refused.announcement().empty());
  EXPECT_EQ(refused.notAnnouncedBecause(), "directory " + dir + ": " + GetParam().problem);
  EXPECT_EQ(Entries(dir), before);
  EXPECT_EQ(Contents(victim), "the user's own file\n");
  if (owner) owner->Go();
}

INSTANTIATE_TEST_SUITE_P(Directories, HostileDirTest, ::testing::ValuesIn(kHostileDirs),
                         [](const auto& info) { return std::string(info.param.name); });

// What is planted next to the user's own emulator's announcement in the
// user's own directory; only the own emulator is found.
struct HostileFile {
  const char* name;
  void (*plant)(AnnouncementTrustTest& test);
};

const HostileFile kHostileFiles[] = {
    // kill(1, 0) fails with EPERM for an ordinary user, which once counted as running.
    {"NamedAfterPid1NoOneHolds", [](AnnouncementTrustTest& t) {
       t.heldLocks.push_back(Plant(t.OwnDir() + "/1-0", t.Decoy() + "\n", false));
     }},
    {"SymbolicLinkToAHeldAnnouncement", [](AnnouncementTrustTest& t) {
       const std::string elsewhere = t.scratchDir + "/announcement";
       t.heldLocks.push_back(Plant(elsewhere, t.Decoy() + "\n", true));
       EXPECT_EQ(symlink(elsewhere.c_str(), (t.OwnDir() + "/1-0").c_str()), 0);
     }},
    {"HeldButPointingAtARegularFile", [](AnnouncementTrustTest& t) {
       t.heldLocks.push_back(Plant(t.OwnDir() + "/1-0", t.victim + "\n", true));
     }},
    {"HeldButTooLarge", [](AnnouncementTrustTest& t) {
       t.heldLocks.push_back(Plant(t.OwnDir() + "/1-0", t.Decoy() + "\n" + std::string(kPathSize, 'x'), true));
     }},
    {"HeldButOwnedByAnotherUser", [](AnnouncementTrustTest& t) {
       const std::string file = t.OwnDir() + "/1-0";
       t.heldLocks.push_back(Plant(file, t.Decoy() + "\n", true));
       if (geteuid() == 0) {
         EXPECT_EQ(chown(file.c_str(), kNobody, kNobody), 0);
       }
     }},
};

void PrintTo(const HostileFile& c, std::ostream* out) { *out << c.name; }

class HostileFileTest : public AnnouncementTrustTest, public ::testing::WithParamInterface<HostileFile> {};

TEST_P(HostileFileTest, OnlyTheOwnEmulatorIsFound) {
  if (UsbAdapterAttached()) GTEST_SKIP() << "a USB serial adapter is attached and is found first";
  if (std::string(GetParam().name) == "HeldButOwnedByAnotherUser" && geteuid() != 0) {
    GTEST_SKIP() << "only root can give a file to another user";
  }
  GetParam().plant(*this);
  const emulator::EmulatorServer& own = PlugInEmulator();
  EXPECT_EQ(AnnouncedEmulators(), std::vector<std::string>{own.devicePath()});
  const std::string searched = Search();
  EXPECT_EQ(searched, "BSD path: " + own.devicePath() + "\n");
  EXPECT_EQ(std::string(bsdPath), own.devicePath());
  ExpectNothingOfferedOrWritten(searched);
}

INSTANTIATE_TEST_SUITE_P(Announcements, HostileFileTest, ::testing::ValuesIn(kHostileFiles),
                         [](const auto& info) { return std::string(info.param.name); });

// The lock goes with the process, however it ends: an emulator killed without
// a chance to withdraw leaves a file that no longer counts.
TEST_F(AnnouncementTrustTest, AnAnnouncementCountsOnlyWhileItsMakerRuns) {
  const std::string decoy = peer->path();
  auto maker = std::make_unique<ForkedChild>([decoy](ForkedChild& self) {
    if (AnnounceEmulator(decoy).empty()) return 1;
    std::printf("announced\n");
    std::fflush(stdout);
    self.WaitForGo();
    return 0;
  });
  ASSERT_TRUE(maker->ReadUntil("announced\n", 5s)) << maker->output();
  EXPECT_EQ(AnnouncedEmulators(), std::vector<std::string>{decoy});
  maker.reset();  // killed
  EXPECT_EQ(Entries(announcementDir).size(), 1u) << "the killed maker's file stays";
  EXPECT_TRUE(AnnouncedEmulators().empty());
}

// The emulator makes its directory private and its files new: a link planted
// under any name it might pick is never written through.
TEST_F(AnnouncementTrustTest, TheEmulatorMakesItsDirectoryAndFilesPrivateAndNeverFollowsALink) {
  const std::string dir = announcementDir + "/made";
  ASSERT_EQ(setenv("KORVEL_EMULATOR_DIR", dir.c_str(), 1), 0);
  const std::string first = AnnounceEmulator(peer->path());
  ASSERT_FALSE(first.empty());
  struct stat status {};
  ASSERT_EQ(lstat(dir.c_str(), &status), 0);
  EXPECT_TRUE(S_ISDIR(status.st_mode));
  EXPECT_EQ(status.st_mode & 07777, 0700u);
  ASSERT_EQ(lstat(first.c_str(), &status), 0);
  EXPECT_TRUE(S_ISREG(status.st_mode));
  EXPECT_EQ(status.st_mode & 07777, 0600u);
  WithdrawEmulator(first);

  for (int n = 0; n < 256; ++n) {
    const std::string name = dir + "/" + std::to_string(getpid()) + "-" + std::to_string(n);
    ASSERT_EQ(symlink(victim.c_str(), name.c_str()), 0);
  }
  std::string whyNot;
  const std::string announcement = AnnounceEmulator(peer->path(), &whyNot);
  if (!announcement.empty()) {
    ASSERT_EQ(lstat(announcement.c_str(), &status), 0);
    EXPECT_TRUE(S_ISREG(status.st_mode));
    WithdrawEmulator(announcement);
  } else {
    EXPECT_NE(whyNot.find("File exists"), std::string::npos) << whyNot;
  }
  EXPECT_EQ(Contents(victim), "the user's own file\n");
}

}  // namespace
