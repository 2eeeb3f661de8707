#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <climits>

#include <gtest/gtest.h>

#include <algorithm>
#include <optional>
#include <set>
#include <string>
#include <thread>
#include <vector>

#include "emulator_announcements.h"
#include "emulator_test_support.h"
#include "port_discovery.h"

extern char** environ;

namespace emulator {
namespace {

using namespace std::chrono_literals;
using Clock = std::chrono::steady_clock;

// The emulator executable, run with its standard output and error on pipes.
class EmulatorProcess {
 public:
  explicit EmulatorProcess(const std::vector<std::string>& arguments) {
    int out[2];
    int err[2];
    if (pipe2(out, O_CLOEXEC) != 0) return;
    out_.reset(out[0]);
    const UniqueFd outWrite(out[1]);
    if (pipe2(err, O_CLOEXEC) != 0) return;
    err_.reset(err[0]);
    const UniqueFd errWrite(err[1]);

    std::vector<std::string> argv{KORVEL_EMULATOR_EXECUTABLE};
    argv.insert(argv.end(), arguments.begin(), arguments.end());
    std::vector<char*> pointers;
    for (std::string& a : argv) pointers.push_back(a.data());
    pointers.push_back(nullptr);

    posix_spawn_file_actions_t actions;
    if (posix_spawn_file_actions_init(&actions) != 0) return;
    posix_spawn_file_actions_adddup2(&actions, outWrite.get(), STDOUT_FILENO);
    posix_spawn_file_actions_adddup2(&actions, errWrite.get(), STDERR_FILENO);
    if (posix_spawn(&pid_, argv[0].c_str(), &actions, nullptr, pointers.data(), environ) != 0) pid_ = -1;
    posix_spawn_file_actions_destroy(&actions);
  }

  ~EmulatorProcess() {
    if (pid_ > 0 && !exitCode(0ms)) {
      kill(pid_, SIGKILL);
      waitpid(pid_, nullptr, 0);
    }
  }

  bool running() const { return pid_ > 0; }
  void signal(int number) const { kill(pid_, number); }

  // The first line of standard output, without its line end.
  std::string readLine(std::chrono::milliseconds timeout) {
    std::string line;
    const auto deadline = Clock::now() + timeout;
    char c = 0;
    while (Clock::now() < deadline && waitReadable(out_, deadline) && read(out_.get(), &c, 1) == 1) {
      if (c == '\n') return line;
      line += c;
    }
    return line;
  }

  // Everything on standard error up to its end (the process's exit).
  std::string readErrors(std::chrono::milliseconds timeout) {
    std::string text;
    const auto deadline = Clock::now() + timeout;
    char chunk[256];
    ssize_t n = 0;
    while (waitReadable(err_, deadline) && (n = read(err_.get(), chunk, sizeof chunk)) > 0) text.append(chunk, n);
    return text;
  }

  // The exit code once the process ended within `timeout`; -1 for a signal.
  std::optional<int> exitCode(std::chrono::milliseconds timeout) {
    if (status_) return status_;
    const auto deadline = Clock::now() + timeout;
    for (;;) {
      int status = 0;
      if (waitpid(pid_, &status, WNOHANG) == pid_) {
        status_ = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
        return status_;
      }
      if (Clock::now() >= deadline) return std::nullopt;
      std::this_thread::sleep_for(5ms);
    }
  }

 private:
  static bool waitReadable(const UniqueFd& fd, Clock::time_point deadline) {
    const auto left = std::chrono::ceil<std::chrono::milliseconds>(deadline - Clock::now()).count();
    pollfd p{fd.get(), POLLIN, 0};
    return left > 0 && poll(&p, 1, static_cast<int>(left)) > 0;
  }

  pid_t pid_ = -1;
  UniqueFd out_;
  UniqueFd err_;
  std::optional<int> status_;
};

bool Announced(const std::string& devicePath) {
  const std::vector<std::string> paths = AnnouncedEmulators();
  return std::find(paths.begin(), paths.end(), devicePath) != paths.end();
}

class StopSignalTest : public testing::TestWithParam<int> {};

TEST_P(StopSignalTest, ServesUntilTheSignalThenWithdrawsAndExitsCleanly) {
  ScopedAnnouncementDir dir;
  ASSERT_FALSE(dir.path().empty());
  EmulatorProcess emulator({"--variant", "duo-ws", "--no-pacing"});
  ASSERT_TRUE(emulator.running());
  const std::string devicePath = emulator.readLine(5s);
  ASSERT_FALSE(devicePath.empty()) << emulator.readErrors(100ms);

  EXPECT_TRUE(Announced(devicePath));
  Terminal console(devicePath);
  ASSERT_TRUE(console.write({0xFD}));
  const Bytes reply = console.read(14, 2s);
  ASSERT_EQ(reply.size(), 14u);
  EXPECT_EQ(reply[1], '1');

  emulator.signal(GetParam());
  EXPECT_EQ(emulator.exitCode(3s), 0);
  EXPECT_FALSE(Announced(devicePath));
  EXPECT_TRUE(dir.isEmpty());
}

// SIGHUP: the terminal the emulator was started in is closed.
INSTANTIATE_TEST_SUITE_P(Signals, StopSignalTest, testing::Values(SIGTERM, SIGINT, SIGHUP),
                         [](const auto& info) {
                           return info.param == SIGTERM ? "Term" : info.param == SIGINT ? "Int" : "Hup";
                         });

// The emulated controllers' paths, as a port search lists them.
std::vector<std::string> EmulatorsASearchFinds() {
  std::vector<std::string> paths;
  for (const ListedPort& port : ListPorts()) {
    if (port.group == PortGroup::kEmulatedController) paths.push_back(port.service.calloutDevice.value_or(""));
  }
  return paths;
}

// A rack on one machine: each controller on its own device, found by a port
// search, with a model of its own, and a fault on one of them only. Each is
// moved to a filter position of its own, then all to position 3, which only
// the second one's wheel A never reaches.
TEST(EmulatorExecutable, ServesARackOfControllersWithAFaultOnOne) {
  ScopedAnnouncementDir dir;
  ASSERT_FALSE(dir.path().empty());
  EmulatorProcess emulator({"--count", "3", "--no-pacing", "--stuck", "wheelA:3", "--fault-on", "2"});
  ASSERT_TRUE(emulator.running());
  std::vector<std::string> devicePaths;
  for (int i = 0; i < 3; ++i) devicePaths.push_back(emulator.readLine(5s));
  for (const std::string& path : devicePaths) ASSERT_FALSE(path.empty()) << emulator.readErrors(100ms);
  EXPECT_EQ(std::set<std::string>(devicePaths.begin(), devicePaths.end()).size(), 3u);
  std::vector<std::string> sorted = devicePaths;
  std::sort(sorted.begin(), sorted.end());
  EXPECT_EQ(EmulatorsASearchFinds(), sorted);

  // A Triad's move is echoed and closed by 0D; its status reply is the
  // query's echo, then wheel A's byte: the speed (2) in the high nibble, the
  // filter position in the low one.
  struct Expected {
    uint8_t ownPosition;
    uint8_t afterPosition3;
  };
  const Expected expected[] = {{0x21, 0x23}, {0x22, 0x22}, {0x23, 0x23}};
  for (std::size_t i = 0; i < devicePaths.size(); ++i) {
    Terminal console(devicePaths[i]);
    ASSERT_TRUE(console.write({static_cast<uint8_t>(0x21 + i), 0xCC, 0x23, 0xCC}));
    const Bytes reply = console.read(28, 2s);
    ASSERT_EQ(reply.size(), 28u) << devicePaths[i];
    EXPECT_EQ(reply[3], expected[i].ownPosition) << "controller " << i + 1;
    EXPECT_EQ(reply[17], expected[i].afterPosition3) << "controller " << i + 1;
  }

  emulator.signal(SIGTERM);
  EXPECT_EQ(emulator.exitCode(3s), 0);
  EXPECT_TRUE(EmulatorsASearchFinds().empty());
  EXPECT_TRUE(dir.isEmpty());
  for (const std::string& path : devicePaths) EXPECT_NE(access(path.c_str(), F_OK), 0) << path;
  EXPECT_EQ(emulator.readErrors(1s), "korvel-emulator: 3 triad controllers, unpaced; faults and delays: --stuck "
                                     "wheelA:3 (the faults on controller 2 only)\n");
}

std::string LinkTarget(const std::string& path) {
  char text[PATH_MAX];
  const ssize_t length = readlink(path.c_str(), text, sizeof text);
  return length < 0 ? std::string() : std::string(text, static_cast<std::size_t>(length));
}

// A scratch directory for the links of one test, removed with what is in it.
class ScratchDir {
 public:
  ScratchDir() {
    std::string pattern = testing::TempDir() + "korvel-links-XXXXXX";
    if (mkdtemp(pattern.data()) != nullptr) path_ = pattern;
  }
  ~ScratchDir() {
    for (const char* name : {"rack", "rack-1", "rack-2", "rack-3"}) unlink((path_ + "/" + name).c_str());
    rmdir(path_.c_str());
  }
  const std::string& path() const { return path_; }

 private:
  std::string path_;
};

// --link /x/rack with --count 2 links /x/rack-1 and /x/rack-2 to the devices
// while serving; at the end both go, and nothing else in the folder is touched.
TEST(EmulatorExecutable, LinksEachDeviceWithItsNumberWhileServing) {
  ScopedAnnouncementDir dir;
  ScratchDir links;
  ASSERT_FALSE(links.path().empty());
  const std::string base = links.path() + "/rack";
  EmulatorProcess emulator({"--count", "2", "--no-pacing", "--link", base});
  const std::string first = emulator.readLine(5s);
  const std::string second = emulator.readLine(5s);
  ASSERT_FALSE(second.empty()) << emulator.readErrors(100ms);
  EXPECT_EQ(LinkTarget(base + "-1"), first);
  EXPECT_EQ(LinkTarget(base + "-2"), second);
  EXPECT_NE(access(base.c_str(), F_OK), 0);
  Terminal console(base + "-2");
  ASSERT_TRUE(console.write({0xEE}));
  EXPECT_EQ(console.read(2, 2s), (Bytes{0xEE, 0x0D}));

  emulator.signal(SIGTERM);
  EXPECT_EQ(emulator.exitCode(3s), 0);
  struct stat info {};
  EXPECT_NE(lstat((base + "-1").c_str(), &info), 0);
  EXPECT_NE(lstat((base + "-2").c_str(), &info), 0);
}

// A file where a link would go is the user's: it stays as it was, and the
// emulator ends with exit code 1 before serving, its other link removed and
// nothing announced.
TEST(EmulatorExecutable, ALinkPathThatIsTakenIsLeftAloneAndEndsIt) {
  ScopedAnnouncementDir dir;
  ScratchDir links;
  ASSERT_FALSE(links.path().empty());
  const std::string taken = links.path() + "/rack-2";
  {
    const UniqueFd file(open(taken.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0600));
    ASSERT_TRUE(file.valid());
    ASSERT_EQ(write(file.get(), "mine\n", 5), 5);
  }
  EmulatorProcess emulator({"--count", "3", "--link", links.path() + "/rack"});
  EXPECT_EQ(emulator.exitCode(3s), 1);
  EXPECT_NE(emulator.readErrors(1s).find("linking " + taken), std::string::npos);
  EXPECT_EQ(emulator.readLine(100ms), "");
  struct stat info {};
  EXPECT_NE(lstat((links.path() + "/rack-1").c_str(), &info), 0);
  EXPECT_NE(lstat((links.path() + "/rack-3").c_str(), &info), 0);
  ASSERT_EQ(lstat(taken.c_str(), &info), 0);
  EXPECT_TRUE(S_ISREG(info.st_mode));
  EXPECT_EQ(info.st_size, 5);
  EXPECT_TRUE(dir.isEmpty());
}

// A directory that other users may write to is no place to announce: the
// emulator serves without announcing, says why, and leaves the directory empty.
TEST(EmulatorExecutable, ServesUnannouncedAndSaysWhyWhenTheDirectoryIsNotPrivate) {
  ScopedAnnouncementDir dir;
  ASSERT_FALSE(dir.path().empty());
  ASSERT_EQ(chmod(dir.path().c_str(), 0777), 0);
  EmulatorProcess emulator({"--no-pacing"});
  ASSERT_TRUE(emulator.running());
  const std::string devicePath = emulator.readLine(5s);
  ASSERT_FALSE(devicePath.empty());
  Terminal console(devicePath);
  ASSERT_TRUE(console.write({0xEE}));
  EXPECT_EQ(console.read(2, 2s), (Bytes{0xEE, 0x0D}));

  emulator.signal(SIGTERM);
  EXPECT_EQ(emulator.exitCode(3s), 0);
  EXPECT_EQ(emulator.readErrors(1s), "korvel-emulator: a triad controller, unpaced; faults and delays: none\n"
                                     "korvel-emulator: not announcing " + devicePath +
                                         " to port searches - directory " + dir.path() +
                                         ": writable by other users\n");
  EXPECT_TRUE(dir.isEmpty());
}

// At its start the emulator says what it serves: its variant, its pacing and
// every fault and delay it was asked for, as given.
TEST(EmulatorExecutable, SaysAtItsStartWhatItServes) {
  ScopedAnnouncementDir dir;
  ASSERT_FALSE(dir.path().empty());
  EmulatorProcess emulator({"--variant=duo-ws", "--baud", "9600", "--silent-after", "3", "--stuck=wheelA:4",
                            "--latency", "5", "--latency-timer", "16", "--no-announce"});
  ASSERT_TRUE(emulator.running());
  ASSERT_FALSE(emulator.readLine(5s).empty());
  emulator.signal(SIGTERM);
  EXPECT_EQ(emulator.exitCode(3s), 0);
  EXPECT_EQ(emulator.readErrors(1s),
            "korvel-emulator: a duo-ws controller, paced at 9600 baud, handed on every 16 ms as by a USB serial "
            "adapter; faults and delays: --silent-after 3 --stuck=wheelA:4 --latency 5; not announced to port "
            "searches\n");
}

// On the network the emulator prints its address with the port the system
// picked, announces nothing (port searches never open network addresses),
// serves until SIGTERM and then takes no connection more.
TEST(EmulatorExecutable, ServesOnTheNetworkUntilSigterm) {
  struct Case {
    const char* option;
    const char* scheme;
    const char* carrier;
    Bytes greeting;
  };
  const Case cases[] = {
      {"--listen", "rfc2217://127.0.0.1:", "RFC 2217",
       {0xFF, 0xFB, 0x00, 0xFF, 0xFB, 0x03, 0xFF, 0xFD, 0x00, 0xFF, 0xFD, 0x03, 0xFF, 0xFD, 0x2C}},
      {"--listen-raw", "tcp://127.0.0.1:", "plain TCP", {}},
  };
  for (const Case& c : cases) {
    ScopedAnnouncementDir dir;
    ASSERT_FALSE(dir.path().empty());
    EmulatorProcess emulator({"--variant=mono", "--no-pacing", c.option, "0"});
    ASSERT_TRUE(emulator.running());
    const std::string address = emulator.readLine(5s);
    ASSERT_EQ(address.rfind(c.scheme, 0), 0u) << address << emulator.readErrors(100ms);
    EXPECT_GT(std::stoi(address.substr(std::string(c.scheme).size())), 0) << address;
    {
      NetworkClient client(address);
      ASSERT_TRUE(client.isOpen()) << address;
      EXPECT_EQ(client.read(c.greeting.size(), 2s), c.greeting);
      ASSERT_TRUE(client.write({0xEE}));
      EXPECT_EQ(client.read(2, 2s), (Bytes{0xEE, 0x0D}));
      EXPECT_TRUE(dir.isEmpty());
      emulator.signal(SIGTERM);
      EXPECT_EQ(emulator.exitCode(3s), 0) << c.option;
      EXPECT_TRUE(client.endsWithin(1s));
    }
    EXPECT_FALSE(NetworkClient(address).isOpen());
    EXPECT_EQ(emulator.readErrors(1s), std::string("korvel-emulator: a mono controller, unpaced; faults and delays: "
                                                   "none; served on the network by ") +
                                           c.carrier + ", not announced to port searches\n");
  }
}

TEST(EmulatorExecutable, AnAddressItCannotListenOnEndsItWithExitCode1) {
  EmulatorProcess first({"--listen-raw", "0"});
  const std::string address = first.readLine(5s);
  ASSERT_EQ(address.rfind("tcp://127.0.0.1:", 0), 0u) << address;
  EmulatorProcess second({"--listen", address.substr(std::string("tcp://").size())});
  EXPECT_EQ(second.exitCode(3s), 1);
  EXPECT_NE(second.readErrors(1s).find("Address already in use"), std::string::npos);
  EXPECT_EQ(second.readLine(100ms), "");
}

TEST(EmulatorExecutable, BadOptionGivesUsageOnStandardErrorAndExitCode2) {
  const std::vector<std::string> cases[] = {{"--variant", "quad"}, {"--count", "65"}, {"--count", "2", "--listen", "0"}};
  for (const auto& arguments : cases) {
    EmulatorProcess emulator(arguments);
    ASSERT_TRUE(emulator.running());
    EXPECT_EQ(emulator.exitCode(3s), 2) << arguments[0];
    EXPECT_NE(emulator.readErrors(1s).find("Usage: korvel-emulator"), std::string::npos) << arguments[0];
    EXPECT_EQ(emulator.readLine(100ms), "") << arguments[0];
  }
}

TEST(EmulatorExecutable, HelpAndVersionAnswerOnStandardOutput) {
  for (const char* option : {"--help", "--version"}) {
    EmulatorProcess emulator({option});
    ASSERT_TRUE(emulator.running());
    EXPECT_EQ(emulator.exitCode(3s), 0) << option;
    EXPECT_EQ(emulator.readLine(1s).rfind(option == std::string("--help") ? "Usage: korvel-emulator" : "korvel-emulator ", 0),
              0u)
        << option;
    EXPECT_EQ(emulator.readErrors(100ms), "") << option;
  }
}

}  // namespace
}  // namespace emulator
