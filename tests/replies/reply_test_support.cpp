#include "reply_test_support.h"

#include <algorithm>

namespace {

struct ControlLook {
  const char* name;
  bool hidden;
  bool gray;
};

template <class Control>
bool GrayOf(const Control& control) {
  if constexpr (requires { control.gray; }) {
    return control.gray;
  } else {
    return false;
  }
}

std::vector<ControlLook> Looks(const MemoryWindow& w) {
#define LOOK(outlet) \
  ControlLook { #outlet, w.outlet.hidden, GrayOf(w.outlet) }
  return {LOOK(controllerTitle),
          LOOK(filterA),
          LOOK(filterAText),
          LOOK(filterB),
          LOOK(filterBText),
          LOOK(filterC),
          LOOK(filterCText),
          LOOK(freerunText),
          LOOK(hourText),
          LOOK(minuteText),
          LOOK(msecondsText),
          LOOK(myWindow),
          LOOK(openField),
          LOOK(otherCommand),
          LOOK(receivedView),
          LOOK(repeatNumber),
          LOOK(searchField),
          LOOK(secondsText),
          LOOK(shutterAmode),
          LOOK(shutterAmodeText),
          LOOK(shutterAstatus),
          LOOK(shutterAstatusText),
          LOOK(shutterAsteps),
          LOOK(shutterAstepsText),
          LOOK(shutterAText),
          LOOK(shutterBmode),
          LOOK(shutterBmodeText),
          LOOK(shutterBstatus),
          LOOK(shutterBstatusText),
          LOOK(shutterBsteps),
          LOOK(shutterBstepsText),
          LOOK(shutterBText),
          LOOK(speedA),
          LOOK(speedAText),
          LOOK(speedB),
          LOOK(speedBText),
          LOOK(speedC),
          LOOK(speedCText),
          LOOK(statusView),
          LOOK(repeatnoText),
          LOOK(tenthmsText),
          LOOK(tHour),
          LOOK(timerText),
          LOOK(timerType),
          LOOK(tMinute),
          LOOK(tMsecond),
          LOOK(tSecond),
          LOOK(tTenthmsecond),
          LOOK(wheelAText),
          LOOK(wheelBText),
          LOOK(wheelCText)};
#undef LOOK
}

const char* const kWheelNames[kWheelFields] = {"filterA", "speedA", "filterB", "speedB", "filterC", "speedC"};
const char* const kSettingNames[kSettingFields] = {"otherCommand",  "shutterAstatus", "shutterAmode",  "shutterBstatus",
                                                   "shutterBmode",  "shutterAsteps",  "shutterBsteps", "repeatNumber",
                                                   "tHour",         "tMinute",        "tSecond",       "tMsecond",
                                                   "tTenthmsecond", "timerType"};

int32_t ExpectedValue(const std::vector<CapturedValue>& written, bool wheel, int index) {
  const auto it = std::find_if(written.begin(), written.end(),
                               [&](const CapturedValue& v) { return v.wheel == wheel && v.index == index; });
  return it == written.end() ? kUntouched : it->value;
}

}  // namespace

std::set<std::string> HiddenControls(const MemoryWindow& w) {
  std::set<std::string> names;
  for (const ControlLook& look : Looks(w)) {
    if (look.hidden) names.insert(look.name);
  }
  return names;
}

std::set<std::string> GrayControls(const MemoryWindow& w) {
  std::set<std::string> names;
  for (const ControlLook& look : Looks(w)) {
    if (look.gray) names.insert(look.name);
  }
  return names;
}

ListCounts CountsOf(const MemoryWindow& w) {
  return {w.filterA.numberOfItems(),      w.speedA.numberOfItems(),      w.filterB.numberOfItems(),
          w.speedB.numberOfItems(),       w.filterC.numberOfItems(),     w.speedC.numberOfItems(),
          w.shutterAmode.numberOfItems(), w.shutterBmode.numberOfItems()};
}

void PrintTo(const ListCounts& c, std::ostream* os) {
  *os << "filter/speed A " << c.filterA << "/" << c.speedA << ", B " << c.filterB << "/" << c.speedB << ", C "
      << c.filterC << "/" << c.speedC << ", modes A " << c.shutterAmode << ", B " << c.shutterBmode;
}

Capture UntouchedCapture() {
  Capture capture;
  std::fill(std::begin(capture.wheel), std::end(capture.wheel), kUntouched);
  std::fill(std::begin(capture.setting), std::end(capture.setting), kUntouched);
  return capture;
}

std::vector<CapturedValue> Join(std::initializer_list<std::vector<CapturedValue>> groups) {
  std::vector<CapturedValue> values;
  for (const auto& group : groups) values.insert(values.end(), group.begin(), group.end());
  return values;
}

void ExpectCapture(const Capture& capture, const std::vector<CapturedValue>& written) {
  for (int i = 0; i < kWheelFields; ++i) {
    EXPECT_EQ(capture.wheel[i], ExpectedValue(written, true, i)) << "captured " << kWheelNames[i];
  }
  for (int i = 0; i < kSettingFields; ++i) {
    EXPECT_EQ(capture.setting[i], ExpectedValue(written, false, i)) << "captured " << kSettingNames[i];
  }
}
