// korvel-emulator started as its own program, found by a port search.
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <QSerialPortInfo>

#include <cstdio>
#include <filesystem>

#include "emulator_announcements.h"
#include "port_discovery.h"
#include "port_setup.h"
#include "serial_state.h"

namespace {

class EmulatorProcess : public ::testing::Test {
 protected:
  void SetUp() override {
    char pattern[] = "/tmp/korvel-process-XXXXXX";
    ASSERT_NE(mkdtemp(pattern), nullptr);
    dir = pattern;
    setenv("KORVEL_EMULATOR_DIR", dir.c_str(), 1);
    ResetSerialState();
  }
  void TearDown() override {
    ClosePort();
    if (child > 0) {
      kill(child, SIGKILL);
      waitpid(child, nullptr, 0);
    }
    if (output) fclose(output);
    unsetenv("KORVEL_EMULATOR_DIR");
    std::filesystem::remove_all(dir);
  }

  // Starts the emulator and returns the device path it prints.
  std::string start() {
    int out[2];
    if (pipe(out) != 0) return {};
    child = fork();
    if (child == 0) {
      dup2(out[1], STDOUT_FILENO);
      close(out[0]);
      close(out[1]);
      execl(KORVEL_EMULATOR, KORVEL_EMULATOR, "--variant", "mono", static_cast<char*>(nullptr));
      _exit(127);
    }
    close(out[1]);
    output = fdopen(out[0], "r");
    char line[1024] = {};
    if (output == nullptr || fgets(line, sizeof line, output) == nullptr) return {};
    std::string path = line;
    if (!path.empty() && path.back() == '\n') path.pop_back();
    return path;
  }

  std::string dir;
  pid_t child = -1;
  FILE* output = nullptr;
};

TEST_F(EmulatorProcess, IsFoundByTheSearchAndGoesOnLineAt300Baud) {
  for (const auto& port : QSerialPortInfo::availablePorts()) {
    if (port.hasVendorIdentifier()) GTEST_SKIP() << "a USB serial adapter is attached and is found first";
  }
  const std::string path = start();
  ASSERT_FALSE(path.empty());
  testing::internal::CaptureStdout();
  EXPECT_EQ(SearchPort(), kSearchFound);
  testing::internal::GetCapturedStdout();
  EXPECT_EQ(std::string(bsdPath), path);
  ASSERT_GE(OpenPort(), 0);
  EXPECT_EQ(InitializeModem(fileDescriptor), 1);

  ASSERT_EQ(kill(child, SIGTERM), 0);
  int status = 0;
  ASSERT_EQ(waitpid(child, &status, 0), child);
  child = -1;
  EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
  EXPECT_TRUE(AnnouncedEmulators().empty());
}

}  // namespace
