#include "setting_tables.h"

#include <cstring>

namespace {

constexpr CtlCommand kCommands[] = {
    {"ports", "[--json]", "list the serial ports in search order; * marks the one a search picks"},
    {"status", "[--json]", "query the status and print the report (or the decoded settings)"},
    {"config", "[--json]", "query the configuration and print the variant and the echoed text"},
    {"set", "KEY=VALUE...", "set what the window sets, one command cycle per key (a key may repeat)"},
    {"command", "NAME | --list", "send one entry of the general command list"},
    {"check", "[--yes] [--wheels LIST] [--shutters LIST]",
     "set every connected wheel, shutter and Mono setting through its values,\n      verify each by a status "
     "query, time the moves, restore the settings\n      found (moves wheels and opens shutters)"},
};

constexpr GeneralCommandName kGeneralCommands[] = {
    {"status", 1, "CC"},
    {"config", 2, "FD"},
    {"ef", 3, "EF"},
    {"on-line", 4, "EE"},
    {"cf", 5, "CF"},
    {"ce", 6, "CE"},
    {"fb", 7, "FB"},
    {"triad-combined", 8, "DF, wheels A and B and both shutter states (Triad)"},
    {"triad-batch", 9, "BD, the changed wheel and shutter settings, BE (Triad)"},
    {"free-run-go", 10, "FA F3 (Mono)"},
    {"free-run-power-on", 11, "FA F1 (Mono)"},
    {"free-run-trigger", 12, "FA F2 (Mono)"},
    {"bf", 13, "BF"},
    {"fa-c0", 14, "FA C0 (Mono)"},
    {"fa-c1", 15, "FA C1 (Mono)"},
    {"ttl-in-disable", 16, "FA A0 (Mono)"},
    {"ttl-in-high", 17, "FA A1 (Mono)"},
    {"ttl-in-low", 18, "FA A2 (Mono)"},
    {"ttl-in-rising", 19, "FA A3 (Mono)"},
    {"ttl-in-falling", 20, "FA A4 (Mono)"},
    {"ttl-out-disable", 21, "FA B0 (Mono)"},
    {"ttl-out-high", 22, "FA B1 (Mono)"},
    {"ttl-out-low", 23, "FA B2 (Mono)"},
};

constexpr SetKey kSetKeys[] = {
    {"wheelA.filter", KeyKind::kFilter, 0, "0 to 9"},
    {"wheelA.speed", KeyKind::kSpeed, 0, "0 to 7"},
    {"wheelB.filter", KeyKind::kFilter, 1, "0 to 9"},
    {"wheelB.speed", KeyKind::kSpeed, 1, "0 to 7"},
    {"wheelC.filter", KeyKind::kFilter, 2, "0 to 9"},
    {"wheelC.speed", KeyKind::kSpeed, 2, "0 to 7"},
    {"shutterA.state", KeyKind::kShutterState, 0, "closed, open, conditional"},
    {"shutterA.mode", KeyKind::kShutterMode, 0, "fast, soft, nd"},
    {"shutterA.steps", KeyKind::kShutterSteps, 0, "a number"},
    {"shutterB.state", KeyKind::kShutterState, 1, "closed, open, conditional"},
    {"shutterB.mode", KeyKind::kShutterMode, 1, "fast, soft, nd"},
    {"shutterB.steps", KeyKind::kShutterSteps, 1, "a number"},
    {"timer", KeyKind::kTimer, 0, "closed, exposure"},
    {"time", KeyKind::kTime, 0, "H:M:S, H:M:S.mmm or H:M:S.mmmt (t: tenths of ms)"},
    {"repeat", KeyKind::kRepeat, 0, "a number or continuous"},
    {"ttlIn", KeyKind::kTtlIn, 0, "disable, high, low, rising, falling"},
    {"ttlOut", KeyKind::kTtlOut, 0, "disable, high, low"},
    {"freeRun", KeyKind::kFreeRun, 0, "go, power-on, trigger"},
};

constexpr ExitStatus kExitStatuses[] = {
    {kExitDone, "done"},
    {kExitUsage, "usage error: unknown command, key, value or name, or a burn-in that would\n"
                 "      send nothing"},
    {kExitRefused, "refused: the setting or command was refused; why is on standard error"},
    {kExitNoReply, "no reply: the controller did not answer"},
    {kExitPort, "port not found, not opened, held by another program, gone during the run, or\n"
                "      a plain serial port picked by the search (name it with --port)"},
    {kExitBadReply, "bad reply: bytes came that are not the command's whole reply (no echo, cut\n"
                    "      short, or a status reply that does not decode whole; also a check whose\n"
                    "      identification replies were not whole, which then changed nothing)"},
    {kExitMismatch, "mismatch: a burn-in's --verify-every query reported a setting other than the\n"
                    "      one set"},
    {kExitFailedSteps, "failed: a check's steps failed (the controller reported other than set), or a\n"
                       "      burn-in's cycle or setting was over its --max-ms or --max-drift"},
    {128, "+N: stopped by signal N, after the summary (130 SIGINT, 143 SIGTERM, 141 SIGPIPE)"},
};

constexpr ValueName kStates[] = {{"closed", 0}, {"open", 1}, {"conditional", 2}};
constexpr ValueName kModes[] = {{"fast", 0}, {"soft", 1}, {"nd", 2}};
constexpr ValueName kTimers[] = {{"closed", 0}, {"exposure", 1}};
// These keys send an entry of the general command list: the value is the
// entry's index in the window's list as it opens.
constexpr ValueName kTtlIn[] = {{"disable", 16}, {"high", 17}, {"low", 18}, {"rising", 19}, {"falling", 20}};
constexpr ValueName kTtlOut[] = {{"disable", 21}, {"high", 22}, {"low", 23}};
constexpr ValueName kFreeRun[] = {{"go", 10}, {"power-on", 11}, {"trigger", 12}};

template <typename T>
const T* FindByName(std::span<const T> table, const char* name, const char* T::*field) {
  for (const T& entry : table) {
    if (std::strcmp(entry.*field, name) == 0) return &entry;
  }
  return nullptr;
}

}  // namespace

std::span<const CtlCommand> CtlCommands() { return kCommands; }
std::span<const GeneralCommandName> GeneralCommandNames() { return kGeneralCommands; }
std::span<const SetKey> SetKeys() { return kSetKeys; }
std::span<const ExitStatus> ExitStatuses() { return kExitStatuses; }

const CtlCommand* FindCtlCommand(const char* name) {
  return FindByName(CtlCommands(), name, &CtlCommand::name);
}

const GeneralCommandName* FindGeneralCommand(const char* name) {
  return FindByName(GeneralCommandNames(), name, &GeneralCommandName::name);
}

const SetKey* FindSetKey(const char* key) { return FindByName(SetKeys(), key, &SetKey::key); }

std::span<const ValueName> ValueNamesOf(KeyKind kind) {
  switch (kind) {
    case KeyKind::kShutterState:
      return kStates;
    case KeyKind::kShutterMode:
      return kModes;
    case KeyKind::kTimer:
      return kTimers;
    case KeyKind::kTtlIn:
      return kTtlIn;
    case KeyKind::kTtlOut:
      return kTtlOut;
    case KeyKind::kFreeRun:
      return kFreeRun;
    default:
      return {};
  }
}
