// What korvel-ctl was asked to do, read from its command line.
#pragma once

#include <chrono>
#include <string>
#include <utility>
#include <vector>

#include "run_who.h"
#include "settings.h"

struct CtlRequest {
  std::string command;  // ports, status, config, set, command
  std::string port;     // empty: search; with several ports, the first
  // Every port named by --port and --ports-from, in order; more than one: a
  // rack run, one korvel-ctl process per controller under this one.
  std::vector<std::string> ports;
  // A controller's process of a rack run: its records (progress, CSV rows,
  // its report's section) go to this descriptor, for the parent; -1: none.
  int rackFd = -1;
  std::string log;      // the session record's file; empty: none
  bool json = false;
  bool list = false;
  bool verbose = false;
  int repeat = 0;  // 0: no burn-in
  std::chrono::milliseconds interval{0};
  bool stopOnError = false;
  int verifyEvery = 0;     // set burn-in: a status query after every K rounds; 0: none
  std::string csv;         // a burn-in's rows; empty: none
  std::string report;      // a burn-in's HTML report; empty: none
  std::string invocation;  // the command line, for the report
  std::vector<SettingCycle> settings;  // set
  const GeneralCommandName* general = nullptr;  // command NAME
  bool yes = false;  // check: run without asking
  bool wheels[3] = {true, true, true};  // check: the wheels A to C it may set
  bool shutters[2] = {true, true};
  // Burn-in and check: limits on time; 0: none.
  double maxMs = 0;  // any cycle (a check: any move) slower fails
  std::vector<std::pair<std::string, double>> settingMaxMs;  // burn-in: one setting's limit
  double maxDriftPercent = 0;
  bool alwaysSend = false;  // burn-in: every setting goes out every round
  // Burn-in and check: who tested what, for the summary, the JSON and the report.
  std::string label;  // the controller's serial number or name
  std::string operatorName;
  std::string note;
};

// --label, --operator and --note together.
inline RunWho WhoOf(const CtlRequest& r) { return {r.label, r.operatorName, r.note}; }

// The most ports one rack run drives (each a process of its own).
inline constexpr int kMaxRackPorts = 64;

// Fills request from argv; returns -1 to go on, else the exit status (help or
// version printed to results, or a usage error on standard error).
int ReadCommandLine(int argc, char** argv, CtlRequest& request, FILE* results);

// Whether the option of this name ("port", without its dashes) takes a
// value: the word after it is that value, whatever it looks like.
bool OptionTakesValue(const std::string& name);
