// The words korvel-ctl and the check share: korvel-ctl's commands, the
// general command list by stable name, the keys of settings and the exit
// statuses. Parsing and --help are both made from these tables, so that they
// cannot disagree.
#pragma once

#include <span>

struct CtlCommand {
  const char* name;
  const char* arguments;
  const char* summary;
};

// One entry of the window's general command list. The entry is found in the
// window's list by its text, which stays the same when identification cuts
// the list for a variant.
struct GeneralCommandName {
  const char* name;
  int layoutIndex;  // index in the list as the window opens
  const char* sends;
};

// The status query's and the configuration query's places in the general
// command list as the window opens.
inline constexpr int kStatusEntry = 1;
inline constexpr int kConfigEntry = 2;

enum class KeyKind {
  kFilter,
  kSpeed,
  kShutterState,
  kShutterMode,
  kShutterSteps,
  kTimer,
  kTime,
  kRepeat,
  kTtlIn,
  kTtlOut,
  kFreeRun,
};

struct SetKey {
  const char* key;
  KeyKind kind;
  int device;  // wheel 0 to 2 (A to C) or shutter 0 to 1 (A, B); 0 otherwise
  const char* values;
};

struct ExitStatus {
  int code;
  const char* meaning;
};

inline constexpr int kExitDone = 0;
inline constexpr int kExitUsage = 1;
inline constexpr int kExitRefused = 2;
inline constexpr int kExitNoReply = 3;
inline constexpr int kExitPort = 4;
inline constexpr int kExitBadReply = 5;
inline constexpr int kExitMismatch = 6;
inline constexpr int kExitFailedSteps = 7;

std::span<const CtlCommand> CtlCommands();
std::span<const GeneralCommandName> GeneralCommandNames();
std::span<const SetKey> SetKeys();
std::span<const ExitStatus> ExitStatuses();

const CtlCommand* FindCtlCommand(const char* name);
const GeneralCommandName* FindGeneralCommand(const char* name);
const SetKey* FindSetKey(const char* key);

// A named value of a key: "open" of shutterA.state is item 1.
struct ValueName {
  const char* name;
  int value;
};
std::span<const ValueName> ValueNamesOf(KeyKind kind);
