// The report of a rack run: one self-contained HTML page (also well-formed
// XML) over many controllers. The run's table and the rack's verdict first,
// then the overview, one row per controller with the ones that did not pass
// first, each linking to its section; then each controller's section, as
// its own process drew it (RunSectionHtml). Its size is bounded by the
// number of controllers a rack takes (64) times what bounds one run's report
// (its failures kept, its charts one per setting or wheel).
#pragma once

#include <chrono>
#include <string>
#include <vector>

// The rack run as a whole; the texts as the user gave them, each may be empty.
struct RackDescription {
  std::chrono::system_clock::time_point startedAt;
  std::chrono::system_clock::time_point endedAt;
  std::string programVersion;  // "korvel-ctl 1.0.0"
  std::string invocation;
  std::string operatorName;
  std::string note;
  std::string label;
};

// One controller's row of the overview.
struct RackRow {
  std::string port;
  std::string variant;
  std::string label;
  std::string verdict;       // "passed", "failed", "stopped", "no reply", "port gone", "not opened", ...
  std::string verdictClass;  // its colour: "passed", "failed", "silent" or "stopped"
  std::string failures;      // the count, as text
  std::string duration;
  std::string message;       // why it ended otherwise; may be empty
};

// The page. sections: each row's fragment, in the rows' order; an empty
// one (or one missing) says that no report came, with the row's message.
// The fragments go in as they are: each is our own process's section.
std::string RackReportHtml(const std::string& title, const RackDescription& rack, const std::vector<RackRow>& rows,
                           const std::vector<std::string>& sections);
