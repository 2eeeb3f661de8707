#include "burn_in_plan.h"

#include <algorithm>
#include <cstdio>

#include "round_sends.h"
#include "setting_tables.h"

namespace {

std::string Number(double value) {
  char text[32];
  const int written = std::snprintf(text, sizeof text, "%g", value);
  return written < 0 ? std::string("?") : std::string(text);
}

// The names --max-ms SETTING=MS may give in this run.
std::vector<std::string> RunsSettings(const CtlRequest& r) {
  std::vector<std::string> names;
  if (r.command == "set") {
    for (const SettingCycle& cycle : r.settings) {
      for (const Setting& s : cycle.settings) {
        if (std::find(names.begin(), names.end(), s.key->key) == names.end()) names.emplace_back(s.key->key);
      }
    }
    if (r.verifyEvery > 0) names.emplace_back("status");
  } else if (r.command == "command" && r.general != nullptr) {
    names.emplace_back(r.general->name);
  } else {
    names.push_back(r.command);
  }
  return names;
}

std::string Joined(const std::vector<std::string>& words) {
  std::string text;
  for (const std::string& w : words) text += (text.empty() ? "" : ", ") + w;
  return text;
}

// "korvel-ctl --repeat 50 set shutterB.state=open shutterB.state=closed"
std::string TwoValuesExample(const CtlRequest& r, const SettingCycle& cycle) {
  const Setting& s = cycle.settings.front();
  return "korvel-ctl --repeat " + std::to_string(r.repeat) + " set " + cycle.words() + " " + s.key->key + "=" +
         AnotherValue(s);
}

}  // namespace

std::string BurnInPlanProblem(const CtlRequest& r) {
  if (r.repeat == 0) return {};
  const std::vector<std::string> names = RunsSettings(r);
  for (const auto& [setting, ms] : r.settingMaxMs) {
    if (std::find(names.begin(), names.end(), setting) == names.end()) {
      return "--max-ms " + setting + "=" + Number(ms) + ": " + setting + " is not in this run (its settings: " +
             Joined(names) + ")";
    }
  }
  if (r.command != "set" || r.repeat < 2 || r.alwaysSend) return {};
  const std::vector<std::size_t> idle = CyclesSendingNothingAfterTheFirstRound(r.settings);
  if (idle.empty()) return {};
  std::vector<std::string> words;
  for (std::size_t i : idle) words.push_back(r.settings[i].words());
  return Joined(words) + (idle.size() == 1 ? " sends" : " send") +
         " nothing after the first round: the controller has it already, and a burn-in that sends nothing burns "
         "nothing in. Give two values to move between (" + TwoValuesExample(r, r.settings[idle.front()]) +
         "), or --always-send to send every setting every round";
}

std::string NothingToSendWords(const CtlRequest& r) {
  return "the controller has " + Joined([&r] {
           std::vector<std::string> words;
           for (const SettingCycle& cycle : r.settings) words.push_back(cycle.words());
           return words;
         }()) + " already: a round would send nothing. Give two values to move between (" +
         TwoValuesExample(r, r.settings.front()) + "), or --always-send to send every setting every round\n";
}

double MaxMsOf(const CtlRequest& r, const std::vector<std::string>& keys) {
  double limit = 0;
  for (const auto& [setting, ms] : r.settingMaxMs) {
    if (std::find(keys.begin(), keys.end(), setting) != keys.end()) limit = std::max(limit, ms);
  }
  return limit > 0 ? limit : r.maxMs;
}

std::string LimitsText(const CtlRequest& r) {
  std::vector<std::string> limits;
  if (r.maxMs > 0) limits.push_back(Number(r.maxMs) + " ms a cycle");
  for (const auto& [setting, ms] : r.settingMaxMs) limits.push_back(setting + " " + Number(ms) + " ms");
  if (r.maxDriftPercent > 0) limits.push_back("drift " + Number(r.maxDriftPercent) + " %");
  return Joined(limits);
}
