// open: opens the path that searchField shows, which the operator may have
// edited after the search.
#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "window_line_fixture.h"

namespace {

class OpenPathTest : public WindowLineTest {
 protected:
  // The slave's path with leading slashes, which name the same device, up to
  // length characters.
  std::string PaddedSlavePath(std::size_t length) const {
    const std::string& path = line.path();
    return std::string(length > path.size() ? length - path.size() : 0, '/') + path;
  }
};

TEST_F(OpenPathTest, OpensThePathTheOperatorTypedInsteadOfTheSearchedOne) {
  std::strcpy(bsdPath, "/dev/korvel-searched-but-not-wanted");
  w.searchField.type(line.path());
  CannedReply controller(line, 1, {0xEE});

  w.controller.open();

  EXPECT_EQ(w.openField.text, kReady);
  EXPECT_EQ(controller.Received(), Bytes{0xEE});
  EXPECT_EQ(std::string(bsdPath), line.path());
}

TEST_F(OpenPathTest, AnEmptyFieldKeepsTheSearchedPath) {
  std::strcpy(bsdPath, line.path().c_str());
  CannedReply controller(line, 1, {0xEE});

  w.controller.open();

  EXPECT_EQ(w.openField.text, kReady);
  EXPECT_EQ(std::string(bsdPath), line.path());
}

TEST_F(OpenPathTest, ALongestPathThatFitsIsOpenedWhole) {
  const std::string path = PaddedSlavePath(kPathSize - 1);
  w.searchField.type(path);
  CannedReply controller(line, 1, {0xEE});

  w.controller.open();

  EXPECT_EQ(w.openField.text, kReady);
  EXPECT_EQ(std::string(bsdPath), path);
}

// Cut to fit, the padded path would lose its last character and name another
// terminal; a NUL would cut it at the NUL. Neither may open anything.
TEST_F(OpenPathTest, APathThatDoesNotFitWholeOpensNothing) {
  const struct {
    const char* name;
    std::string path;
  } cases[] = {
      {"one byte too long", PaddedSlavePath(kPathSize)},
      {"far too long", PaddedSlavePath(4 * kPathSize)},
      {"NUL inside", line.path() + std::string(1, '\0') + "tail"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    std::strcpy(bsdPath, line.path().c_str());
    w.searchField.type(c.path);

    w.controller.open();

    EXPECT_EQ(w.openField.text, kFailed);
    EXPECT_EQ(fileDescriptor, -1);
    EXPECT_STREQ(bsdPath, "");
    EXPECT_TRUE(line.pending().empty()) << "a byte reached the line";
  }
}

}  // namespace
