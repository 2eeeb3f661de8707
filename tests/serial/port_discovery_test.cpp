#include <gtest/gtest.h>

#include <QSerialPortInfo>

#include <cstring>
#include <filesystem>
#include <fstream>

#include "emulator_announcements.h"
#include "port_discovery.h"
#include "pty_peer.h"
#include "serial_state.h"

namespace {

SerialService Service(std::optional<std::string> name, std::optional<std::string> path) {
  return {std::move(name), std::move(path)};
}

struct Walk {
  const char* name;
  std::vector<SerialService> services;
  kern_return_t result;
  std::string path;
  std::string printed;
};

class ModemPath : public ::testing::TestWithParam<Walk> {};

TEST_P(ModemPath, FirstServiceWithANameWins) {
  const Walk& c = GetParam();
  ModemIterator iterator{c.services, 0};
  char path[kPathSize];
  std::strcpy(path, "/dev/stale");
  testing::internal::CaptureStdout();
  EXPECT_EQ(GetModemPath(iterator, path, kPathSize), c.result);
  EXPECT_EQ(testing::internal::GetCapturedStdout(), c.printed);
  EXPECT_EQ(std::string(path), c.path);
}

const std::string kTooLong = "/dev/" + std::string(1019, 'x');  // 1024 characters
const std::string kLongest = "/dev/" + std::string(1018, 'x');  // 1023 characters

INSTANTIATE_TEST_SUITE_P(
    Services, ModemPath,
    ::testing::Values(
        Walk{"NoServiceEmptiesThePath", {}, kSearchNotFound, "", ""},
        Walk{"EarlierServicesPrintTheirPathsToo",
             {Service(std::nullopt, "/dev/a"), Service("b", "/dev/b"), Service("c", "/dev/c")},
             kSearchFound, "/dev/b", "BSD path: /dev/a\nBSD path: /dev/b\n"},
        Walk{"WinnerWithoutPathKeepsTheEarlierOne",
             {Service(std::nullopt, "/dev/a"), Service("b", std::nullopt)}, kSearchFound, "/dev/a",
             "BSD path: /dev/a\n\n"},
        Walk{"NoNamedServiceIsNotFound",
             {Service(std::nullopt, "/dev/a"), Service(std::nullopt, std::nullopt)}, kSearchNotFound, "/dev/a",
             "BSD path: /dev/a\n\n"},
        Walk{"PathThatDoesNotFitIsNotStored", {Service("x", kTooLong)}, kSearchFound, "", "\n"},
        Walk{"LongestPathThatFits", {Service("x", kLongest)}, kSearchFound, kLongest,
             "BSD path: " + kLongest + "\n"},
        Walk{"NameTooLongOrNotAsciiDoesNotCount",
             {Service(std::string(128, 'n'), "/dev/a"), Service("n\xC3\xA9", "/dev/b"), Service("c", "/dev/c")},
             kSearchFound, "/dev/c", "BSD path: /dev/a\nBSD path: /dev/b\nBSD path: /dev/c\n"}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(ArrangeServices, UsbAdaptersThenEmulatorsThenOtherPortsEachByPath) {
  const auto arranged = ArrangeServices({
      {PortGroup::kOther, Service("ttyS1", "/dev/ttyS1"), {}, {}, {}},
      {PortGroup::kEmulatedController, Service("pts/7", "/dev/pts/7"), {}, {}, {}},
      {PortGroup::kUsbAdapter, Service("ttyUSB1", "/dev/ttyUSB1"), {}, {}, {}},
      {PortGroup::kOther, Service("ttyS0", "/dev/ttyS0"), {}, {}, {}},
      {PortGroup::kUsbAdapter, Service("ttyACM0", "/dev/ttyACM0"), {}, {}, {}},
      {PortGroup::kEmulatedController, Service("pts/3", "/dev/pts/3"), {}, {}, {}},
  });
  std::vector<std::string> paths;
  for (const auto& service : arranged) paths.push_back(*service.calloutDevice);
  EXPECT_EQ(paths, (std::vector<std::string>{"/dev/ttyACM0", "/dev/ttyUSB1", "/dev/pts/3", "/dev/pts/7",
                                             "/dev/ttyS0", "/dev/ttyS1"}));
}

// Announcements live in a directory of the test's own, so that emulators of
// other tests running at the same time are not found.
class Announcements : public ::testing::Test {
 protected:
  void SetUp() override {
    char pattern[] = "/tmp/korvel-announce-XXXXXX";
    ASSERT_NE(mkdtemp(pattern), nullptr);
    dir = pattern;
    setenv("KORVEL_EMULATOR_DIR", dir.c_str(), 1);
    ResetSerialState();
  }
  void TearDown() override {
    unsetenv("KORVEL_EMULATOR_DIR");
    std::filesystem::remove_all(dir);
  }
  std::string dir;
};

TEST_F(Announcements, SearchFindsAnAnnouncedEmulatorUntilItWithdraws) {
  for (const auto& port : QSerialPortInfo::availablePorts()) {
    if (port.hasVendorIdentifier()) GTEST_SKIP() << "a USB serial adapter is attached and is found first";
  }
  PtyPeer emulated;
  const std::string announcement = AnnounceEmulator(emulated.path());
  ASSERT_FALSE(announcement.empty());
  testing::internal::CaptureStdout();
  EXPECT_EQ(SearchPort(), kSearchFound);
  EXPECT_EQ(std::string(bsdPath), emulated.path());
  EXPECT_EQ(testing::internal::GetCapturedStdout(), "BSD path: " + emulated.path() + "\n");

  WithdrawEmulator(announcement);
  EXPECT_TRUE(AnnouncedEmulators().empty());
}

TEST_F(Announcements, AnnouncementsOfEndedProcessesAreIgnored) {
  PtyPeer emulated;
  // Files that no running emulator holds, whatever their names say.
  std::ofstream(dir + "/999999999-0") << emulated.path() << '\n';
  std::ofstream(dir + "/not-a-pid") << emulated.path() << '\n';
  EXPECT_TRUE(AnnouncedEmulators().empty());
}

}  // namespace

// What each port is, as the window's port list and korvel-ctl's ports show
// it: a USB adapter's details are the parts the system reports.
TEST(PortKindText, NamesTheKindAndTheAdaptersReportedDetails) {
  struct Case {
    ListedPort port;
    std::string text;
  };
  const SerialService any = Service("ttyUSB0", "/dev/ttyUSB0");
  const Case cases[] = {
      {{PortGroup::kUsbAdapter, any, "Acme", "USB-Serial Cable", "A1B2"},
       "USB serial adapter: Acme USB-Serial Cable, serial number A1B2"},
      {{PortGroup::kUsbAdapter, any, "", "USB-Serial Cable", ""}, "USB serial adapter: USB-Serial Cable"},
      {{PortGroup::kUsbAdapter, any, "", "", "A1B2"}, "USB serial adapter: serial number A1B2"},
      {{PortGroup::kUsbAdapter, any, "", "", ""}, "USB serial adapter"},
      {{PortGroup::kEmulatedController, any, "", "", ""}, "emulated controller"},
      {{PortGroup::kOther, any, "", "", ""}, "serial port"},
  };
  for (const Case& c : cases) EXPECT_EQ(PortKindText(c.port), c.text);
}
