#include "verdict_html.h"

#include "html_report.h"
#include "record_entries.h"
#include "time_figures.h"

namespace {

// The banner's class: its colour in the style sheet.
std::string VerdictClass(const std::string& verdict) {
  if (verdict == "passed") return "passed";
  if (verdict == "stopped") return "stopped";
  if (verdict == "no reply" || verdict == "bad reply") return "silent";
  return "failed";
}

std::string Cell(const std::string& text, const char* cls = nullptr) {
  return std::string("<td") + (cls ? std::string(" class=\"") + cls + "\"" : "") + ">" + HtmlEscaped(text) + "</td>";
}

}  // namespace

std::string FailureTimeText(const FailureRecord& failure) {
  // ISO 8601 as the session record writes it: the time of day stands at 11.
  const std::string text = LocalTimeText(failure.at);
  return text.size() >= 23 ? text.substr(11, 12) : text;
}

std::string VerdictBannerHtml(const std::string& verdict, const std::string& detail) {
  std::string html = "<div class=\"verdict " + VerdictClass(verdict) + "\"><p class=\"verdict-name\">Verdict: " +
                     HtmlEscaped(verdict) + "</p>";
  if (!detail.empty()) html += "<p class=\"verdict-detail\">" + HtmlEscaped(detail) + "</p>";
  return html + "</div>\n";
}

std::string FailureTableHtml(const std::vector<FailureRecord>& failures, int64_t total,
                             const std::string& roundHeading, bool kindAndTimeOfDay) {
  if (total <= 0) return {};
  std::string html = "<h2>Failures</h2>\n<table class=\"failures\">\n<thead><tr><th>" + HtmlEscaped(roundHeading) +
                     "</th><th>setting</th>" + (kindAndTimeOfDay ? "<th>failure</th>" : "") +
                     "<th>expected</th><th>reported or message</th><th>ms</th>" +
                     (kindAndTimeOfDay ? "<th>at</th>" : "") + "</tr></thead>\n<tbody>\n";
  for (const FailureRecord& f : failures) {
    html += "<tr>" + Cell(f.round > 0 ? std::to_string(f.round) : "-", "number") + Cell(f.setting) +
            (kindAndTimeOfDay ? Cell(FailureKindName(f.kind), "failed") : "") + Cell(f.expected) + Cell(f.reported, "message") +
            Cell(MsText(f.ms, "-"), "number") + (kindAndTimeOfDay ? Cell(FailureTimeText(f)) : "") + "</tr>\n";
  }
  html += "</tbody>\n</table>\n";
  const int64_t more = total - static_cast<int64_t>(failures.size());
  if (more > 0) {
    html += "<p class=\"more\">and " + std::to_string(more) + " more, not kept in this report (the CSV file has "
            "every cycle's row)</p>\n";
  }
  return html;
}
