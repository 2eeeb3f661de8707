#include "rack_results.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QJsonValue>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <utility>

#include "setting_tables.h"

namespace {

// The controllers' exit statuses from the most serious down; a signal's
// (128+N) goes before all of them, a status not in the table just after.
constexpr int kSeriousness[] = {kExitPort,        kExitNoReply, kExitBadReply, kExitMismatch,
                                kExitFailedSteps, kExitRefused, kExitUsage,    kExitDone};

int Rank(int status) {
  if (status >= 128) return 0;
  const auto* found = std::find(std::begin(kSeriousness), std::end(kSeriousness), status);
  return found == std::end(kSeriousness) ? 1 : 2 + static_cast<int>(found - std::begin(kSeriousness));
}

// What a process that printed no object of its own ended as, by its status.
struct EndingWords {
  int status;
  const char* verdict;
};
constexpr EndingWords kEndingWords[] = {
    {kExitPort, "not opened"}, {kExitNoReply, "no reply"}, {kExitBadReply, "bad reply"},
    {kExitMismatch, "mismatch"}, {kExitFailedSteps, "failed"}, {kExitRefused, "refused"},
    {kExitUsage, "not run"},   {kExitDone, "replied"},
};

const char* EndingVerdict(int status) {
  if (status >= 128) return "stopped";
  for (const EndingWords& e : kEndingWords) {
    if (e.status == status) return e.verdict;
  }
  return "not run";
}

std::string Trimmed(const std::string& text) {
  const std::size_t first = text.find_first_not_of(" \t\r\n");
  if (first == std::string::npos) return {};
  return text.substr(first, text.find_last_not_of(" \t\r\n") - first + 1);
}

// The output as one JSON object; false when it is none (or more than one).
bool OneObject(const ControllerEnd& end, QJsonObject& object) {
  if (end.outputCut || end.signal != 0) return false;
  QJsonParseError error{};
  const QJsonDocument document = QJsonDocument::fromJson(QByteArray::fromStdString(end.output), &error);
  if (error.error != QJsonParseError::NoError || !document.isObject()) return false;
  object = document.object();
  return true;
}

std::string Text(const QJsonValue& value) { return value.isString() ? value.toString().toStdString() : std::string(); }

std::string Count(const QJsonValue& value) {
  return value.isDouble() ? std::to_string(value.toInteger()) : std::string("-");
}

// "120 of 120 steps" for a check, "50 of 50 rounds" for a burn-in.
std::string DoneOf(const QJsonObject& o) {
  if (o["steps"].isArray() && o["planned"].isDouble()) {
    return std::to_string(o["steps"].toArray().size()) + " of " + Count(o["planned"]) + " steps";
  }
  if (o["rounds"].isDouble() && o["planned_rounds"].isDouble()) {
    return Count(o["rounds"]) + " of " + Count(o["planned_rounds"]) + " rounds";
  }
  return "-";
}

std::string FailuresOf(const QJsonObject& o) {
  if (o["failures_total"].isDouble()) return Count(o["failures_total"]);
  if (o["steps"].isArray()) return Count(o["failed"]);
  return "-";
}

std::string VerdictOf(const QJsonObject& o, int status) {
  // A port that went away mid-run ends a check as "no reply" and a burn-in
  // as port_gone; its row says which.
  if (status == kExitPort || o["port_gone"].toBool()) return "port gone";
  if (o["verdict"].isString()) return Text(o["verdict"]);
  return EndingVerdict(status);
}

void FromObject(const QJsonObject& o, ControllerRow& row) {
  row.verdict = VerdictOf(o, row.exitStatus);
  row.done = DoneOf(o);
  row.failures = FailuresOf(o);
  if (o["restored"].isBool()) row.restore = o["restored"].toBool() ? "verified" : "NOT verified";
  if (row.variant.empty()) row.variant = Text(o["variant"]);
  if (row.configuration.empty()) row.configuration = Text(o["configuration"]);
}

// Why a process left no object to read, when its status does not say.
std::string MissingObjectWords(const ControllerEnd& end) {
  if (end.outputCut) return "its output passed " + std::to_string(kMaxControllerOutput >> 20) + " MiB";
  if (Trimmed(end.output).empty()) return {};
  return "its output was no single JSON object";
}

void WithoutObject(const ControllerEnd& end, int stopSignal, ControllerRow& row) {
  if (end.signal != 0) {
    row.verdict = end.signal == stopSignal ? "stopped"
                                           : "ended abnormally (signal " + std::to_string(end.signal) + ")";
  } else {
    row.verdict = EndingVerdict(row.exitStatus);
  }
  if (const std::string words = MissingObjectWords(end); !words.empty()) {
    row.message = words + (row.message.empty() ? "" : "; " + row.message);
    // An object that cannot be read is no result, whatever the status said.
    if (row.exitStatus == kExitDone) row.exitStatus = kExitBadReply;
    if (row.verdict == "replied") row.verdict = "bad output";
  }
}

bool Passed(const ControllerRow& row) { return row.exitStatus == kExitDone; }

// Stopped: by a stop signal, its own or the rack's; silent: gone or no
// reply; a process another signal ended failed.
ControllerOutcome OutcomeOf(const ControllerEnd& end, const ControllerRow& row, int stopSignal) {
  if (Passed(row)) return ControllerOutcome::kPassed;
  if (end.signal != 0) return end.signal == stopSignal ? ControllerOutcome::kStopped : ControllerOutcome::kFailed;
  if (row.exitStatus >= 128) return ControllerOutcome::kStopped;
  if (row.exitStatus == kExitPort || row.exitStatus == kExitNoReply) return ControllerOutcome::kSilent;
  return ControllerOutcome::kFailed;
}

std::string JsonString(const std::string& text) {
  const std::string array =
      QJsonDocument(QJsonArray{QString::fromStdString(text)}).toJson(QJsonDocument::Compact).toStdString();
  return array.substr(1, array.size() - 2);
}

std::string ErrorItem(const ControllerEnd& end, const ControllerRow& row) {
  std::string error = row.message.empty() ? row.verdict : row.message;
  if (end.signal != 0) error = "ended by signal " + std::to_string(end.signal);
  // The keys in the order documented, which QJsonObject does not keep.
  return "{\"port\":" + JsonString(end.port) + ",\"error\":" + JsonString(error) +
         ",\"exit_status\":" + std::to_string(row.exitStatus) + "}";
}

// The object as the controller printed it, "port" inserted first.
std::string ObjectItem(const ControllerEnd& end) {
  const std::string object = Trimmed(end.output);
  const bool empty = Trimmed(object.substr(1, object.size() - 2)).empty();
  return "{\"port\":" + JsonString(end.port) + (empty ? "" : ",") + object.substr(1);
}

std::vector<std::string> Cells(const ControllerRow& r) {
  return {r.port, r.variant.empty() ? "-" : r.variant, r.configuration.empty() ? "-" : r.configuration,
          r.verdict, r.done, r.restore, r.failures, r.duration};
}

std::string Table(const std::vector<ControllerRow>& rows) {
  std::vector<std::vector<std::string>> lines{
      {"port", "variant", "configuration", "verdict", "done", "restore", "failures", "duration"}};
  for (const ControllerRow& r : rows) lines.push_back(Cells(r));
  std::vector<std::size_t> widths(lines[0].size(), 0);
  for (const auto& line : lines) {
    for (std::size_t i = 0; i < line.size(); ++i) widths[i] = std::max(widths[i], line[i].size());
  }
  std::string table;
  for (const auto& line : lines) {
    std::string text;
    for (std::size_t i = 0; i < line.size(); ++i) {
      text += line[i] + (i + 1 < line.size() ? std::string(widths[i] - line[i].size() + 2, ' ') : "");
    }
    table += text + '\n';
  }
  return table;
}

// "passed 3, failed 1": each verdict with its count, in the rows' order.
std::string Totals(const std::vector<ControllerRow>& rows) {
  std::vector<std::pair<std::string, int>> counts;
  for (const ControllerRow& r : rows) {
    auto found = std::find_if(counts.begin(), counts.end(), [&r](const auto& c) { return c.first == r.verdict; });
    if (found == counts.end()) {
      counts.emplace_back(r.verdict, 1);
    } else {
      ++found->second;
    }
  }
  std::string text;
  for (const auto& [verdict, count] : counts) text += (text.empty() ? "" : ", ") + verdict + " " + std::to_string(count);
  return text;
}

}  // namespace

ControllerRow RowOf(const ControllerEnd& end, int stopSignal) {
  ControllerRow row;
  row.port = end.port;
  row.variant = end.variant;
  row.configuration = end.configuration;
  row.done = "-";
  row.restore = "-";
  row.failures = "-";
  row.duration = DurationWords(end.seconds);
  row.message = end.lastWords;
  // A process that could not be started or whose end is not known did not run.
  row.exitStatus = end.signal != 0 ? 128 + end.signal : end.started && end.exitStatus >= 0 ? end.exitStatus : kExitUsage;
  QJsonObject object;
  if (OneObject(end, object)) {
    FromObject(object, row);
  } else {
    WithoutObject(end, stopSignal, row);
  }
  if (Passed(row)) row.message.clear();
  row.outcome = OutcomeOf(end, row, stopSignal);
  return row;
}

int RackExitStatus(const std::vector<ControllerRow>& rows, int stopSignal) {
  if (stopSignal != 0) return 128 + stopSignal;
  int status = kExitDone;
  for (const ControllerRow& r : rows) {
    if (Rank(r.exitStatus) < Rank(status)) status = r.exitStatus;
  }
  return status;
}

std::string RackSummaryText(const std::vector<ControllerRow>& rows, int stopSignal) {
  const bool allPassed = std::all_of(rows.begin(), rows.end(), Passed);
  const char* verdict = stopSignal != 0 ? "stopped" : allPassed ? "passed" : "failed";
  std::string text = std::string("verdict: ") + verdict + "\n" + Table(rows);
  for (const ControllerRow& r : rows) {
    if (!r.message.empty()) text += r.port + ": " + r.message + "\n";
  }
  return text + "controllers: " + std::to_string(rows.size()) + "; " + Totals(rows) + "\n";
}

std::string RackJson(const std::vector<ControllerEnd>& ends, const std::vector<ControllerRow>& rows) {
  std::string json = "{\"controllers\":[";
  for (std::size_t i = 0; i < ends.size() && i < rows.size(); ++i) {
    QJsonObject object;
    json += (i > 0 ? "," : "") + (OneObject(ends[i], object) ? ObjectItem(ends[i]) : ErrorItem(ends[i], rows[i]));
  }
  return json + "]}\n";
}

std::string DurationWords(double seconds) {
  char text[32];
  const double s = std::max(0.0, seconds);
  const long whole = std::lround(s);
  const int written = s < 60 ? std::snprintf(text, sizeof text, "%.1f s", s)
                             : std::snprintf(text, sizeof text, "%ld min %02ld s", whole / 60, whole % 60);
  return written < 0 ? std::string() : std::string(text);
}
