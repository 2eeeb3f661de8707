// One controller unplugged, another plugged in, Search and Open: the new one
// is identified from its own first reply, not decoded with the layout of the
// one before. An open that puts a controller on line forgets the variant,
// puts the window back as it opened and starts the remembered values over.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "case_name.h"
#include "cycle_state.h"
#include "memory_window.h"
#include "port_setup.h"
#include "pty_server.h"
#include "reply_test_support.h"
#include "serial_state.h"

namespace {

struct Controller {
  emulator::Variant variant;
  int32_t itype;
  const char* title;
  int32_t commandItems;
  const char* reportTitle;
};

const Controller kTriadController{emulator::Variant::kTriad, kTriad, "Korvel Triad Controller:", 10,
                                  "********  Triad Controller Current Status  ********\n"};
const Controller kMonoController{emulator::Variant::kMono, kMono, "Korvel Mono Controller:", 22,
                                 "********  Mono Controller Current Status  ********\n"};
const Controller kDuoWheelShutterController{emulator::Variant::kDuoWheelShutter, kDuoWheelShutter,
                                            "Korvel Duo Controller - Wheel/Shutter:", 8,
                                            "********  Duo Controller Current Status  ********\n"};
const Controller kDuoShutterShutterController{emulator::Variant::kDuoShutterShutter, kDuoShutterShutter,
                                              "Korvel Duo Controller - Shutter/Shutter:", 8,
                                              "********  Duo Controller Current Status  ********\n"};

struct SwapCase {
  const char* name;
  Controller first;
  Controller second;
};

void PrintTo(const SwapCase& c, std::ostream* os) { *os << c.name; }

std::vector<std::vector<std::string>> ListItems(const MemoryWindow& w) {
  std::vector<std::vector<std::string>> items;
  for (const MemoryComboBox* list : {&w.otherCommand, &w.filterA, &w.filterB, &w.filterC, &w.speedA, &w.speedB,
                                     &w.speedC, &w.shutterAstatus, &w.shutterBstatus, &w.shutterAmode,
                                     &w.shutterBmode, &w.timerType}) {
    items.push_back(list->items);
  }
  return items;
}

std::vector<std::string> Titles(const MemoryWindow& w) {
  return {w.controllerTitle.title, w.freerunText.title, w.timerText.title, w.shutterAText.title};
}

class FreshIdentification : public ::testing::TestWithParam<SwapCase> {
 protected:
  FreshIdentification() {
    ResetSerialState();
    ResetCycleState();
  }

  ~FreshIdentification() override {
    if (fileDescriptor >= 0) ClosePort();
  }

  // Plugs the controller in and opens its port; the one before stays running,
  // as an adapter left plugged in would.
  void Plug(const Controller& controller) {
    emulator::EmulatorServer::Options options;
    options.variant = controller.variant;
    options.baud = 0;
    options.announce = false;
    servers.push_back(std::make_unique<emulator::EmulatorServer>(options));
    ASSERT_TRUE(servers.back()->start()) << servers.back()->error();
    w.searchField.type(servers.back()->devicePath());
    w.controller.open();
    ASSERT_EQ(w.openField.text, "Port is ready for communication.");
  }

  std::string QueryStatus() {
    const std::size_t before = w.statusView.text.size();
    w.otherCommand.choose(1);
    w.controller.communicate();
    return w.statusView.text.substr(before);
  }

  void ExpectIdentifiedAs(const Controller& controller) {
    const std::string report = QueryStatus();
    EXPECT_EQ(report.substr(0, std::strlen(controller.reportTitle)), controller.reportTitle) << report;
    EXPECT_EQ(itype, controller.itype);
    EXPECT_EQ(w.controllerTitle.title, controller.title);
    EXPECT_EQ(w.otherCommand.numberOfItems(), controller.commandItems);
  }

  MemoryWindow w;
  MemoryWindow opening;  // as the window opened
  std::vector<std::unique_ptr<emulator::EmulatorServer>> servers;
};

TEST_P(FreshIdentification, TheSecondControllerIsIdentifiedFromItsOwnReply) {
  const SwapCase& c = GetParam();
  ASSERT_NO_FATAL_FAILURE(Plug(c.first));
  ExpectIdentifiedAs(c.first);
  // A remembered value that the second controller knows nothing of.
  w.shutterAstatus.choose(1);
  w.controller.communicate();
  ASSERT_EQ(scomm0[kShutterAstatus], 1);
  const std::string log = w.receivedView.text;

  ASSERT_NO_FATAL_FAILURE(Plug(c.second));

  EXPECT_EQ(itype, kUnknown);
  EXPECT_EQ(ListItems(w), ListItems(opening));
  EXPECT_EQ(Titles(w), Titles(opening));
  EXPECT_EQ(HiddenControls(w), std::set<std::string>{});
  EXPECT_EQ(GrayControls(w), std::set<std::string>{});
  EXPECT_TRUE(w.shutterBsteps.editable);
  EXPECT_TRUE(std::all_of(std::begin(icomm0), std::end(icomm0), [](int32_t v) { return v == 0; }));
  EXPECT_TRUE(std::all_of(std::begin(scomm0), std::end(scomm0), [](int32_t v) { return v == 0; }));
  EXPECT_EQ(w.shutterAstatus.text, "Close") << "the window shows the start values";
  EXPECT_EQ(w.receivedView.text, log) << "the log is kept";

  ExpectIdentifiedAs(c.second);
}

INSTANTIATE_TEST_SUITE_P(Swaps, FreshIdentification,
                         ::testing::Values(SwapCase{"TriadThenMono", kTriadController, kMonoController},
                                           SwapCase{"MonoThenTriad", kMonoController, kTriadController},
                                           SwapCase{"DuoWheelShutterThenDuoShutterShutter",
                                                    kDuoWheelShutterController, kDuoShutterShutterController}),
                         CaseName());

// An open that reaches no controller changes nothing of what was learnt: the
// port may be the wrong one, and the controller still the one identified.
TEST_F(FreshIdentification, AFailedOpenKeepsTheIdentifiedController) {
  ASSERT_NO_FATAL_FAILURE(Plug(kTriadController));
  ExpectIdentifiedAs(kTriadController);
  w.searchField.type("/nonexistent/korvel-port");
  w.controller.open();
  ASSERT_EQ(w.openField.text, "Failed to open the communication port.");
  EXPECT_EQ(itype, kTriad);
  EXPECT_EQ(w.controllerTitle.title, kTriadController.title);
}

}  // namespace
