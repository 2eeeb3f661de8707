// A rack run's controller process tells its parent, as data, what the parent
// shows and keeps for it: one compact JSON object a line on the descriptor
// --rack-fd names. Its result is its --json object on standard output, its
// own words go to standard error, as in any run.
//
//   {"variant":"triad"}                    once the controller is identified
//   {"configuration":"3W2S Triad …"}       its configuration text, once known
//   {"progress":{"done":12,"failures":1,"left_s":30.5,"planned":40,"unit":"steps"}}
//                                          left_s only while the time left is known
//   {"csv":"2026-…,1,…,pass,,\n"}          one CSV row of its run, without the port
//   {"report":"<div class=\"run\">…</div>"}  its part of the rack's report, the last record
#pragma once

#include <QJsonValue>

#include <string_view>

inline constexpr std::string_view kRackVariant = "variant";
inline constexpr std::string_view kRackConfiguration = "configuration";
inline constexpr std::string_view kRackProgress = "progress";
inline constexpr std::string_view kRackCsv = "csv";
inline constexpr std::string_view kRackReport = "report";

// Where this process's records go; -1: it is no rack's controller.
void OpenRackChannel(int fd);
bool InRack();
// One record {key: value}; nothing when no channel is open. A parent that
// went away is told once on standard error, and records stop.
void SendRackRecord(std::string_view key, const QJsonValue& value);
