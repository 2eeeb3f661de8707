#include "summary_output.h"

#include <QJsonObject>
#include <QJsonValue>

#include <algorithm>
#include <cmath>

#include "time_figures.h"

namespace {

// The time figures in the keys' order after setting, count and failures.
struct TimeKey {
  const char* key;
  double TimeFigures::*figure;
};
constexpr TimeKey kTimeKeys[] = {
    {"min_ms", &TimeFigures::min},
    {"median_ms", &TimeFigures::median},
    {"p95_ms", &TimeFigures::p95},
    {"max_ms", &TimeFigures::max},
    {"first_tenth_ms", &TimeFigures::firstTenthMedian},
    {"last_tenth_ms", &TimeFigures::lastTenthMedian},
};

double Tenths(double ms) { return std::round(ms * 10) / 10; }

}  // namespace

const std::vector<std::string>& SummaryKeys() {
  static const std::vector<std::string> keys = [] {
    std::vector<std::string> k{"setting", "count", "failures"};
    for (const TimeKey& t : kTimeKeys) k.emplace_back(t.key);
    return k;
  }();
  return keys;
}

std::vector<std::string> SummaryCells(const SettingSummary& s) {
  std::vector<std::string> cells{s.setting, std::to_string(s.count), std::to_string(s.failures)};
  for (const TimeKey& t : kTimeKeys) cells.push_back(s.times.count > 0 ? MsText(s.times.*t.figure) : "-");
  return cells;
}

std::string SummaryTable(const std::vector<SettingSummary>& summaries) {
  std::vector<std::vector<std::string>> lines{SummaryKeys()};
  for (const SettingSummary& s : summaries) lines.push_back(SummaryCells(s));
  std::vector<std::size_t> widths(SummaryKeys().size(), 0);
  for (const auto& line : lines) {
    for (std::size_t i = 0; i < line.size(); ++i) widths[i] = std::max(widths[i], line[i].size());
  }
  std::string table;
  for (const auto& line : lines) {
    // The setting to the left, the figures to the right of their columns.
    std::string text = line[0] + std::string(widths[0] - line[0].size(), ' ');
    for (std::size_t i = 1; i < line.size(); ++i) text += "  " + std::string(widths[i] - line[i].size(), ' ') + line[i];
    table += text + '\n';
  }
  return table;
}

QJsonArray SummaryJsonArray(const std::vector<SettingSummary>& summaries) {
  QJsonArray array;
  for (const SettingSummary& s : summaries) {
    QJsonObject object{{"setting", QString::fromStdString(s.setting)}, {"count", static_cast<qint64>(s.count)},
                       {"failures", static_cast<qint64>(s.failures)}};
    for (const TimeKey& t : kTimeKeys) {
      object.insert(t.key, s.times.count > 0 ? QJsonValue(Tenths(s.times.*t.figure)) : QJsonValue());
    }
    array.append(object);
  }
  return array;
}
