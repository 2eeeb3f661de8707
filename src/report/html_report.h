// The report of a run of many cycles: one self-contained HTML file (inline
// CSS and SVG, nothing fetched) that opens offline in any browser and prints
// cleanly: the controller, the verdict and the failures first, the summary
// table, and for each setting its time series and its histogram. The page is also well-formed XML.
#pragma once

#include <chrono>
#include <string>

#include "run_statistics.h"

struct RunDescription {
  std::string variant;        // "Triad"
  std::string configuration;  // the configuration reply as the fronts show it; may be empty
  std::string port;
  std::chrono::system_clock::time_point startedAt;
  std::chrono::system_clock::time_point endedAt;
  std::string programVersion;  // "korvel-ctl 1.0.0"
  std::string invocation;      // the command line that ran it; may be empty
  // Who tested what, as the user gave it; each may be empty.
  std::string label;  // the controller's serial number or name
  std::string operatorName;
  std::string note;
};

// A run's description as every front gives it: the controller identified
// now (itype), program ("korvel-ctl") with this build's version.
RunDescription DescribeRun(const char* program, std::string configuration, std::string port,
                           std::chrono::system_clock::time_point startedAt,
                           std::chrono::system_clock::time_point endedAt, std::string invocation = {});

// The whole page: the verdict's banner (verdict as VerdictBannerHtml takes
// it, detail the line under it), the failures, the summary, then each
// setting's charts. Needs a QGuiApplication, for the charts' text.
std::string ReportHtml(const RunDescription& run, const RunStatistics& statistics, const std::string& verdict,
                       const std::string& detail = {});

// A rack's report holds the same run as a section of its page: what the
// page's body shows, without the page around it.
std::string ReportSectionHtml(const RunDescription& run, const RunStatistics& statistics, const std::string& verdict,
                              const std::string& detail = {});

// The page's head (its style, and moreStyle after it) up to the body's start.
std::string ReportHead(const std::string& title, const std::string& moreStyle = {});
// The body's top: the title, then the controller's table (its label, the
// operator and the note only when given, as the user wrote them); the
// body's sections follow, then ReportEnd().
std::string ReportTop(const RunDescription& run, const std::string& title);
std::string ReportEnd();
// A report's body as a section of a bigger page: one <div class="run">, its
// headings two levels down (h1 to h3, h2 to h4) under the page's own.
std::string RunSectionHtml(const std::string& body);

// Writes the page to path whole or not at all, never over a file that is
// there (a ReportFile opened and kept at once). Empty when written, else the
// text for the user.
std::string WriteReport(const std::string& path, const std::string& html);

// Why no report could be written in path before a run starts (a file is
// there, or its directory cannot be looked into); empty when none.
std::string ReportPathProblem(const std::string& path);

// Text with &, <, > and " as entities.
std::string HtmlEscaped(const std::string& text);
