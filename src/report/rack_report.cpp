#include "rack_report.h"

#include <algorithm>

#include "html_report.h"
#include "record_entries.h"
#include "verdict_html.h"

namespace {

constexpr const char* kRackStyle = R"(
h3 { font-size: 1.1em; } h4 { font-size: 1em; margin-top: 1.2em; }
table.overview tr.silent td { background: #fff1e0; }
table.overview tr.stopped td { background: #eee; }
section.controller { border-top: 2px solid #bbb; margin-top: 2em; }
)";

std::string Anchor(std::size_t index) { return "controller-" + std::to_string(index + 1); }

std::string Cell(const std::string& text, const char* cls = nullptr) {
  return std::string("<td") + (cls ? std::string(" class=\"") + cls + "\"" : "") + ">" + HtmlEscaped(text) + "</td>";
}

std::string RunTable(const RackDescription& rack) {
  const std::pair<const char*, std::string> fields[] = {
      {"Label", rack.label},
      {"Started", LocalTimeText(rack.startedAt)},
      {"Ended", LocalTimeText(rack.endedAt)},
      {"Operator", rack.operatorName},
      {"Note", rack.note},
      {"Program", rack.programVersion},
      {"Command", rack.invocation},
  };
  std::string html = "<table class=\"controller\">\n";
  for (const auto& [name, value] : fields) {
    if (!value.empty()) html += std::string("<tr><th>") + name + "</th><td>" + HtmlEscaped(value) + "</td></tr>\n";
  }
  return html + "</table>\n";
}

// Stopped when any controller was, passed when every one passed, else failed.
std::string RackBanner(const std::vector<RackRow>& rows) {
  const auto passed = std::count_if(rows.begin(), rows.end(), [](const RackRow& r) { return r.verdictClass == "passed"; });
  const bool stopped = std::any_of(rows.begin(), rows.end(), [](const RackRow& r) { return r.verdictClass == "stopped"; });
  const bool all = !rows.empty() && passed == static_cast<long>(rows.size());
  return VerdictBannerHtml(stopped ? "stopped" : all ? "passed" : "failed",
                           std::to_string(passed) + " of " + std::to_string(rows.size()) + " passed");
}

std::string OverviewRow(const RackRow& row, std::size_t index) {
  const bool passed = row.verdictClass == "passed";
  return std::string("<tr") + (passed ? "" : " class=\"" + HtmlEscaped(row.verdictClass) + "\"") + "><td><a href=\"#" +
         Anchor(index) + "\">" + HtmlEscaped(row.port) + "</a></td>" + Cell(row.variant) + Cell(row.label) +
         Cell(row.verdict, passed ? nullptr : "failed") + Cell(row.failures, "number") + Cell(row.duration) +
         Cell(row.message, "message") + "</tr>\n";
}

// The controllers that did not pass first, each group in the rack's order.
std::string Overview(const std::vector<RackRow>& rows) {
  std::vector<std::size_t> order(rows.size());
  for (std::size_t i = 0; i < order.size(); ++i) order[i] = i;
  std::stable_partition(order.begin(), order.end(), [&](std::size_t i) { return rows[i].verdictClass != "passed"; });
  std::string html = "<h2>Controllers</h2>\n<table class=\"overview failures\">\n<thead><tr><th>port</th><th>variant</th>"
                     "<th>label</th><th>verdict</th><th>failures</th><th>duration</th><th>message</th></tr></thead>\n"
                     "<tbody>\n";
  for (const std::size_t i : order) html += OverviewRow(rows[i], i);
  return html + "</tbody>\n</table>\n";
}

std::string Section(const RackRow& row, std::size_t index, const std::string& fragment) {
  const std::string body =
      fragment.empty() ? "<p class=\"missing\">No report came from this controller: " + HtmlEscaped(row.message) + "</p>\n"
                       : fragment;
  return "<section class=\"controller\" id=\"" + Anchor(index) + "\">\n<h2>" + HtmlEscaped(row.port) + "</h2>\n" + body +
         "</section>\n";
}

}  // namespace

std::string RackReportHtml(const std::string& title, const RackDescription& rack, const std::vector<RackRow>& rows,
                           const std::vector<std::string>& sections) {
  std::string html = ReportHead(title, kRackStyle) + "<h1>" + HtmlEscaped(title) + "</h1>\n" + RunTable(rack) +
                     RackBanner(rows) + Overview(rows);
  for (std::size_t i = 0; i < rows.size(); ++i) {
    html += Section(rows[i], i, i < sections.size() ? sections[i] : std::string());
  }
  return html + ReportEnd();
}
