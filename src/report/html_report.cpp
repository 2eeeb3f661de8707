#include "html_report.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <algorithm>
#include <cstdio>
#include <string_view>
#include <vector>

#include "append_file.h"
#include "chart_drawing.h"
#include "cycle_state.h"
#include "korvel_version.h"
#include "record_entries.h"
#include "report_file.h"
#include "summary_output.h"
#include "svg_chart.h"
#include "verdict_html.h"

namespace {

const QSize kChartSize(560, 300);

// Plain, printable, and narrow enough for A4: the charts shrink with the page.
constexpr const char* kStyle = R"(
body { font-family: sans-serif; color: #222; margin: 2em auto; max-width: 1180px; padding: 0 1em; }
h1 { font-size: 1.5em; } h2 { font-size: 1.2em; margin-top: 1.6em; }
table { border-collapse: collapse; margin: 0.5em 0; }
th, td { border: 1px solid #bbb; padding: 0.25em 0.6em; text-align: left; vertical-align: top; }
table.summary td.number { text-align: right; font-variant-numeric: tabular-nums; }
td.failed { color: #c81e1e; font-weight: bold; }
tr.failed td { background: #fdecec; }
p.verdict.failed { color: #c81e1e; font-weight: bold; font-size: 1.2em; }
div.verdict { border-left: 0.6em solid; padding: 0.4em 1em; margin: 1em 0; }
div.verdict p { margin: 0.2em 0; }
div.verdict p.verdict-name { font-size: 1.5em; font-weight: bold; }
div.verdict.passed { border-color: #1a7f37; background: #e6f4ea; color: #0f5323; }
div.verdict.failed { border-color: #c81e1e; background: #fdecec; color: #8e1414; }
div.verdict.silent { border-color: #b35900; background: #fff1e0; color: #7a3d00; }
div.verdict.stopped { border-color: #555; background: #eee; color: #222; }
table.failures td { white-space: nowrap; }
table.failures td.message { white-space: normal; }
table.failures td.number { text-align: right; font-variant-numeric: tabular-nums; }
pre { margin: 0; white-space: pre-wrap; }
.charts { display: flex; flex-wrap: wrap; gap: 1em; }
.charts svg { width: 560px; max-width: 100%; height: auto; }
section.setting { break-inside: avoid; page-break-inside: avoid; }
@media print { body { margin: 0; max-width: none; } }
)";

struct Field {
  const char* name;
  std::string value;
  bool preformatted = false;
  bool omittedWhenEmpty = false;
};

std::string ControllerTable(const RunDescription& run) {
  const std::vector<Field> fields{
      {"Variant", run.variant},
      {"Label", run.label, false, true},
      {"Configuration", run.configuration, true, true},
      {"Port", run.port},
      {"Started", LocalTimeText(run.startedAt)},
      {"Ended", LocalTimeText(run.endedAt)},
      {"Operator", run.operatorName, false, true},
      {"Note", run.note, false, true},
      {"Program", run.programVersion},
      {"Command", run.invocation},
  };
  std::string html = "<table class=\"controller\">\n";
  for (const Field& f : fields) {
    if (f.value.empty() && f.omittedWhenEmpty) continue;
    const std::string value = HtmlEscaped(f.value);
    html += std::string("<tr><th>") + f.name + "</th><td>" + (f.preformatted ? "<pre>" + value + "</pre>" : value) +
            "</td></tr>\n";
  }
  return html + "</table>\n";
}

// A summary key as a reader's heading: "first_tenth_ms" reads "first tenth
// (ms)"; a key that is no word has its own.
std::string Heading(const std::string& key) {
  if (key == "p95_ms") return "95th percentile (ms)";
  constexpr std::string_view kMs = "_ms";
  const bool ms = key.size() > kMs.size() && key.ends_with(kMs);
  std::string words = ms ? key.substr(0, key.size() - kMs.size()) : key;
  std::replace(words.begin(), words.end(), '_', ' ');
  return ms ? words + " (ms)" : words;
}

std::string SummaryHtml(const std::vector<SettingSummary>& summaries) {
  std::string html = "<table class=\"summary\">\n<thead><tr>";
  for (const std::string& key : SummaryKeys()) html += "<th>" + HtmlEscaped(Heading(key)) + "</th>";
  html += "</tr></thead>\n<tbody>\n";
  for (const SettingSummary& s : summaries) {
    const std::vector<std::string> cells = SummaryCells(s);
    html += "<tr>";
    for (std::size_t i = 0; i < cells.size(); ++i) {
      const char* kind = i == 0 ? "setting" : (i == 2 && s.failures > 0 ? "number failed" : "number");
      html += std::string("<td class=\"") + kind + "\">" + HtmlEscaped(cells[i]) + "</td>";
    }
    html += "</tr>\n";
  }
  return html + "</tbody>\n</table>\n";
}

std::string SettingSection(const SettingSeries& s, const std::vector<FailureRecord>& failures) {
  const std::string name = HtmlEscaped(s.setting);
  const std::string series = TimeSeriesSvg(kChartSize, s, s.setting + " reply time by round", failures);
  const std::string histogram = ChartSvg(kChartSize, [&](QPainter& p, const QRectF& r) { DrawHistogram(p, r, s); },
                                         s.setting + " reply times");
  return "<section class=\"setting\">\n<h2>" + name + "</h2>\n<div class=\"charts\">\n" + series + "\n" + histogram +
         "\n</div>\n</section>\n";
}

}  // namespace

std::string HtmlEscaped(const std::string& text) {
  std::string escaped;
  escaped.reserve(text.size());
  for (char c : text) {
    switch (c) {
      case '&': escaped += "&amp;"; break;
      case '<': escaped += "&lt;"; break;
      case '>': escaped += "&gt;"; break;
      case '"': escaped += "&quot;"; break;
      default: escaped += c;
    }
  }
  return escaped;
}

RunDescription DescribeRun(const char* program, std::string configuration, std::string port,
                           std::chrono::system_clock::time_point startedAt,
                           std::chrono::system_clock::time_point endedAt, std::string invocation) {
  RunDescription run;
  run.variant = VariantName(itype);
  run.configuration = std::move(configuration);
  run.port = std::move(port);
  run.startedAt = startedAt;
  run.endedAt = endedAt;
  run.programVersion = std::string(program) + " " + kKorvelVersion;
  run.invocation = std::move(invocation);
  return run;
}

std::string ReportHead(const std::string& title, const std::string& moreStyle) {
  return "<!DOCTYPE html>\n<html lang=\"en\">\n<head>\n<meta charset=\"utf-8\"/>\n<title>" + HtmlEscaped(title) +
         "</title>\n<style>" + kStyle + moreStyle + "</style>\n</head>\n<body>\n";
}

std::string ReportTop(const RunDescription& run, const std::string& title) {
  return "<h1>" + HtmlEscaped(title) + "</h1>\n" + ControllerTable(run);
}

std::string ReportEnd() { return "</body>\n</html>\n"; }

std::string RunSectionHtml(const std::string& body) {
  // Every tag of the body is our own: what the user or a controller wrote
  // is escaped, so no "<h1" or "<h2" in it is theirs.
  std::string html = "<div class=\"run\">\n";
  html.reserve(body.size() + 32);
  for (std::size_t i = 0; i < body.size(); ++i) {
    const std::size_t digit = body.compare(i, 3, "</h") == 0 ? i + 3 : body.compare(i, 2, "<h") == 0 ? i + 2 : i;
    if (digit > i && digit < body.size() && (body[digit] == '1' || body[digit] == '2')) {
      html.append(body, i, digit - i);
      html += static_cast<char>(body[digit] + 2);
      i = digit;
      continue;
    }
    html += body[i];
  }
  return html + "</div>\n";
}

namespace {

std::string BurnInTitle(const RunDescription& run) { return "Burn-in of the " + run.variant + " on " + run.port; }

std::string BurnInBody(const RunDescription& run, const RunStatistics& statistics, const std::string& verdict,
                       const std::string& detail) {
  std::string html = ReportTop(run, BurnInTitle(run));
  html += VerdictBannerHtml(verdict, detail);
  html += FailureTableHtml(statistics.failureRecords(), statistics.failureCount());
  html += "<h2>Summary</h2>\n<p>" + std::to_string(statistics.cycles()) + " cycles, " +
          std::to_string(statistics.failures()) + " failed. Times in milliseconds, from the command's first byte to "
          "the reply's last (a move's end); first tenth and last tenth are the medians of the first and the "
          "last tenth of the run.</p>\n" + SummaryHtml(statistics.summaries());
  for (const SettingSeries& s : statistics.series()) html += SettingSection(s, statistics.failureRecords());
  return html;
}

}  // namespace

std::string ReportHtml(const RunDescription& run, const RunStatistics& statistics, const std::string& verdict,
                       const std::string& detail) {
  return ReportHead(BurnInTitle(run)) + BurnInBody(run, statistics, verdict, detail) + ReportEnd();
}

std::string ReportSectionHtml(const RunDescription& run, const RunStatistics& statistics, const std::string& verdict,
                              const std::string& detail) {
  return RunSectionHtml(BurnInBody(run, statistics, verdict, detail));
}

std::string ReportPathProblem(const std::string& path) {
  struct stat existing {};
  if (lstat(path.c_str(), &existing) == 0) return "The report " + path + " exists; no report is written over a file.";
  if (errno != ENOENT) return "The report cannot be written in " + path + ": " + ErrnoText(errno) + ".";
  return {};
}

std::string WriteReport(const std::string& path, const std::string& html) {
  ReportFile file;
  if (std::string failure = file.open(path); !failure.empty()) return failure;
  return file.keep(html);
}
