#include "ctl_request.h"

#include <QCommandLineParser>
#include <QStringList>

#include <cstdio>

#include "burn_in.h"
#include "burn_in_plan.h"
#include "korvel_version.h"
#include "port_list.h"
#include "setting_tables.h"
#include "usage_text.h"

namespace {

struct Options {
  QCommandLineOption port{"port",
                          "Serial device or network address to open (default: search as Search does); given "
                          "more than once, check, status or a burn-in runs on every port at once.",
                          "PATH"};
  QCommandLineOption portsFrom{"ports-from", "Also the ports FILE lists, one a line (# begins a comment).", "FILE"};
  // A rack run's parent starts each controller's process with it.
  QCommandLineOption rackFd{"rack-fd", "A rack run's controller: its records go to descriptor FD.", "FD"};
  QCommandLineOption json{"json",
                          "Print the result as JSON: status's decoded settings, config's variant and text, a "
                          "command's reply, one object per port or per setting, a burn-in's summary; with each "
                          "cycle's times."};
  QCommandLineOption list{"list", "command: list the general command names and what each sends."};
  QCommandLineOption verbose{"verbose",
                             "Print each cycle's log (reply bytes in decimal and hex) and times, and the search's "
                             "progress lines on standard error."};
  QCommandLineOption repeat{"repeat",
                            "Burn-in: run the command (or set's settings in order) N times, then print a summary.",
                            "N"};
  QCommandLineOption interval{"interval", "Burn-in: pause MS milliseconds between rounds.", "MS"};
  QCommandLineOption stopOnError{"stop-on-error",
                                 "Burn-in: stop at the first refusal, missing or bad reply, mismatch, or cycle over --max-ms."};
  QCommandLineOption verifyEvery{"verify-every",
                                 "Burn-in of set: a status query after every K rounds, which must report what was "
                                 "set.",
                                 "K"};
  QCommandLineOption csv{"csv", "Burn-in: append one row per cycle to FILE (CSV with a header line).", "FILE"};
  QCommandLineOption report{"report", "Burn-in or check: write an HTML report to FILE, which must not exist yet.", "FILE"};
  QCommandLineOption yes{"yes", "check: run without asking (needed without a terminal)."};
  QCommandLineOption wheels{"wheels", "check: the wheels to set, a comma list of A, B, C, or none.", "LIST"};
  QCommandLineOption shutters{"shutters", "check: the shutters to set, a comma list of A, B, or none.", "LIST"};
  QCommandLineOption maxMs{"max-ms",
                           "Burn-in or check: a cycle (a check: a move) slower than MS milliseconds fails; "
                           "SETTING=MS for one setting of a burn-in (repeatable).",
                           "[SETTING=]MS"};
  QCommandLineOption maxDrift{"max-drift",
                              "Burn-in or check: a setting whose last tenth's median is slower than its first "
                              "tenth's by more than PERCENT fails (a check: moves of one speed and distance that "
                              "differ between the wheels by more).",
                              "PERCENT"};
  QCommandLineOption alwaysSend{"always-send",
                                "Burn-in of set: send every setting every round, also when the controller "
                                "already has it."};
  QCommandLineOption label{"label", "Burn-in or check: the controller's serial number or name, for the results.",
                           "TEXT"};
  QCommandLineOption operatorName{"operator", "Burn-in or check: who ran it, for the results.", "NAME"};
  QCommandLineOption note{"note", "Burn-in or check: why it was run, for the results.", "TEXT"};
  QCommandLineOption log{"log", "Append a session record of the search, the open and every cycle to FILE.", "FILE"};
  QCommandLineOption version{"version", "Show the version."};
  QCommandLineOption help{{"h", "help"}, "Show this help."};
};

QList<QCommandLineOption> All(const Options& o) {
  return {o.port, o.portsFrom, o.rackFd, o.json, o.list, o.verbose, o.log, o.repeat, o.interval, o.stopOnError,
          o.verifyEvery, o.csv, o.report, o.maxMs, o.maxDrift, o.alwaysSend, o.label, o.operatorName, o.note,
          o.yes, o.wheels, o.shutters, o.version, o.help};
}

int UsageError(const std::string& message) {
  std::fprintf(stderr, "korvel-ctl: %s\nTry 'korvel-ctl --help'.\n", message.c_str());
  return kExitUsage;
}

bool ReadBounded(const QString& text, int low, int high, int& value) {
  bool ok = false;
  value = text.toInt(&ok);
  return ok && value >= low && value <= high;
}

// The checks between options and the command they belong to.
std::string Mismatch(const CtlRequest& r, bool repeatGiven, bool intervalGiven) {
  if (r.list && r.command != "command") return "--list works with command only";
  const bool burnIn = r.command != "ports";
  if ((repeatGiven || intervalGiven || r.stopOnError) && (!burnIn || r.list)) {
    return "--repeat, --interval and --stop-on-error work with status, config, set and command NAME";
  }
  if (intervalGiven && !repeatGiven) return "--interval needs --repeat";
  if (r.command == "check" && (repeatGiven || intervalGiven || r.stopOnError || !r.csv.empty())) {
    return "--repeat, --interval, --stop-on-error and --csv do not work with check";
  }
  if (!repeatGiven && (r.verifyEvery > 0 || !r.csv.empty() || (!r.report.empty() && r.command != "check"))) {
    return "--verify-every, --csv and --report need --repeat";
  }
  if (r.verifyEvery > 0 && r.command != "set") return "--verify-every works with set";
  return {};
}

std::string ReadArguments(CtlRequest& r, const QStringList& arguments) {
  std::vector<std::string> words;
  for (const QString& a : arguments) words.push_back(a.toStdString());
  if (r.command == "set") {
    if (words.empty()) return "set needs KEY=VALUE";
    std::string error;
    r.settings = ParseSettings(words, error);
    if (error.empty() && r.verifyEvery > 0) {
      if (const std::string keys = UnverifiableKeys(r.settings); !keys.empty()) {
        return "--verify-every cannot verify " + keys + ": no status reply shows which timer was chosen "
               "(set a time after it)";
      }
    }
    return error;
  }
  if (r.command == "command" && !r.list) {
    if (words.size() != 1) return "command needs one NAME (see command --list)";
    r.general = FindGeneralCommand(words[0].c_str());
    return r.general == nullptr ? "unknown command name '" + words[0] + "'" : std::string();
  }
  if (!words.empty()) return "unexpected word '" + words[0] + "'";
  return {};
}

std::string ReadBurnIn(const QCommandLineParser& parser, const Options& o, CtlRequest& r) {
  int value = 0;
  if (parser.isSet(o.repeat)) {
    if (!ReadBounded(parser.value(o.repeat), 1, kMaxRepeat, value)) {
      return "'" + parser.value(o.repeat).toStdString() + "' is no --repeat count (1 to " + std::to_string(kMaxRepeat) + ")";
    }
    r.repeat = value;
  }
  if (parser.isSet(o.interval)) {
    if (!ReadBounded(parser.value(o.interval), 0, kMaxIntervalMs, value)) {
      return "'" + parser.value(o.interval).toStdString() + "' is no --interval in milliseconds";
    }
    r.interval = std::chrono::milliseconds(value);
  }
  if (parser.isSet(o.verifyEvery)) {
    if (!ReadBounded(parser.value(o.verifyEvery), 1, kMaxRepeat, value)) {
      return "'" + parser.value(o.verifyEvery).toStdString() + "' is no --verify-every count (1 to " +
             std::to_string(kMaxRepeat) + ")";
    }
    r.verifyEvery = value;
  }
  r.csv = parser.value(o.csv).toStdString();
  if (parser.isSet(o.csv) && r.csv.empty()) return "--csv needs a file";
  r.report = parser.value(o.report).toStdString();
  if (parser.isSet(o.report) && r.report.empty()) return "--report needs a file";
  return {};
}

// "A,C" or "none": which of count devices (A, B, …) a check may set.
bool ReadDevices(const QString& list, bool* chosen, int count) {
  for (int i = 0; i < count; ++i) chosen[i] = false;
  if (list == "none") return true;
  for (const QString& name : list.split(',')) {
    if (name.size() != 1 || name[0] < 'A' || name[0].unicode() >= 'A' + count) return false;
    chosen[name[0].unicode() - 'A'] = true;
  }
  return true;
}

std::string ReadCheck(const QCommandLineParser& parser, const Options& o, CtlRequest& r) {
  r.yes = parser.isSet(o.yes);
  const bool given = r.yes || parser.isSet(o.wheels) || parser.isSet(o.shutters);
  if (given && r.command != "check") return "--yes, --wheels and --shutters work with check";
  if (parser.isSet(o.wheels) && !ReadDevices(parser.value(o.wheels), r.wheels, 3)) {
    return "'" + parser.value(o.wheels).toStdString() + "' is no --wheels list (A, B, C, comma-separated, or none)";
  }
  if (parser.isSet(o.shutters) && !ReadDevices(parser.value(o.shutters), r.shutters, 2)) {
    return "'" + parser.value(o.shutters).toStdString() + "' is no --shutters list (A, B, comma-separated, or none)";
  }
  return {};
}

// A positive number of milliseconds or percent, at most high.
bool ReadLimit(const std::string& text, double high, double& value) {
  bool ok = false;
  value = QString::fromStdString(text).toDouble(&ok);
  return ok && value > 0 && value <= high;
}

std::string ReadLimits(const QCommandLineParser& parser, const Options& o, CtlRequest& r) {
  const bool burnIn = r.repeat > 0;
  const bool limited = parser.isSet(o.maxMs) || parser.isSet(o.maxDrift);
  if (limited && !burnIn && r.command != "check") return "--max-ms and --max-drift work with --repeat and check";
  for (const QString& given : parser.values(o.maxMs)) {
    const std::string text = given.toStdString();
    const size_t equals = text.rfind('=');
    double ms = 0;
    if (!ReadLimit(equals == std::string::npos ? text : text.substr(equals + 1), kMaxIntervalMs, ms)) {
      return "'" + text + "' is no --max-ms limit (milliseconds above 0, or SETTING=MS)";
    }
    if (equals == std::string::npos) {
      r.maxMs = ms;
    } else if (equals == 0 || !burnIn) {
      return "'" + text + "' is no --max-ms limit (SETTING=MS needs a setting and --repeat)";
    } else {
      r.settingMaxMs.emplace_back(text.substr(0, equals), ms);
    }
  }
  if (parser.isSet(o.maxDrift) && !ReadLimit(parser.value(o.maxDrift).toStdString(), 10000, r.maxDriftPercent)) {
    return "'" + parser.value(o.maxDrift).toStdString() + "' is no --max-drift percentage (above 0, at most 10000)";
  }
  r.alwaysSend = parser.isSet(o.alwaysSend);
  if (r.alwaysSend && (!burnIn || r.command != "set")) return "--always-send works with set and --repeat";
  return {};
}

std::string ReadWho(const QCommandLineParser& parser, const Options& o, CtlRequest& r) {
  const bool given = parser.isSet(o.label) || parser.isSet(o.operatorName) || parser.isSet(o.note);
  if (given && r.repeat == 0 && r.command != "check") return "--label, --operator and --note work with --repeat and check";
  r.label = parser.value(o.label).toStdString();
  r.operatorName = parser.value(o.operatorName).toStdString();
  r.note = parser.value(o.note).toStdString();
  const std::pair<const char*, const std::string*> texts[] = {
      {"--label", &r.label}, {"--operator", &r.operatorName}, {"--note", &r.note}};
  for (const auto& [option, text] : texts) {
    if (HoldsControlCharacter(*text)) {
      return std::string(option) + " takes one line of text: no line end, tab or other control character";
    }
  }
  return {};
}

// Several ports: check, status and burn-ins only, each controller in a
// process of its own; a session record is one port's.
std::string ReadPorts(const QCommandLineParser& parser, const Options& o, CtlRequest& r) {
  for (const QString& given : parser.values(o.port)) {
    if (given.isEmpty()) return "--port needs a path";
    r.ports.push_back(given.toStdString());
  }
  for (const QString& file : parser.values(o.portsFrom)) {
    if (file.isEmpty()) return "--ports-from needs a file";
    if (std::string problem = ReadPortsFile(file.toStdString(), r.ports); !problem.empty()) return problem;
    if (r.ports.empty()) return "the port list " + file.toStdString() + " names no port";
  }
  if (const std::string problem = PortsProblem(r.ports); !problem.empty()) return problem;
  if (!r.ports.empty()) r.port = r.ports.front();
  if (parser.isSet(o.rackFd)) {
    if (!ReadBounded(parser.value(o.rackFd), 3, 1 << 20, r.rackFd) || r.ports.size() != 1) {
      return "--rack-fd takes a descriptor (3 or above) and one --port";
    }
  }
  if (r.ports.size() < 2) return {};
  if (r.command != "check" && r.command != "status" && r.repeat == 0) {
    return "several ports work with check, status and burn-ins (--repeat)";
  }
  if (!r.log.empty()) return "--log keeps the record of one port; name one --port";
  return {};
}

std::string Read(QCommandLineParser& parser, const Options& o, CtlRequest& r) {
  QStringList positional = parser.positionalArguments();
  if (positional.isEmpty()) return "no command given";
  r.command = positional.takeFirst().toStdString();
  if (FindCtlCommand(r.command.c_str()) == nullptr) return "unknown command '" + r.command + "'";
  r.log = parser.value(o.log).toStdString();
  if (parser.isSet(o.log) && r.log.empty()) return "--log needs a file";
  r.json = parser.isSet(o.json);
  r.list = parser.isSet(o.list);
  r.verbose = parser.isSet(o.verbose);
  r.stopOnError = parser.isSet(o.stopOnError);
  std::string error = ReadBurnIn(parser, o, r);
  if (error.empty()) error = Mismatch(r, parser.isSet(o.repeat), parser.isSet(o.interval));
  if (error.empty()) error = ReadPorts(parser, o, r);
  if (error.empty()) error = ReadCheck(parser, o, r);
  if (error.empty()) error = ReadLimits(parser, o, r);
  if (error.empty()) error = ReadWho(parser, o, r);
  if (error.empty()) error = ReadArguments(r, positional);
  if (error.empty()) error = BurnInPlanProblem(r);
  return error;
}

}  // namespace

int ReadCommandLine(int argc, char** argv, CtlRequest& request, FILE* results) {
  Options o;
  o.rackFd.setFlags(QCommandLineOption::HiddenFromHelp);
  QCommandLineParser parser;
  parser.setApplicationDescription("Drives a Korvel controller from the shell, cycle by cycle as the console does.");
  parser.addOptions(All(o));
  parser.addPositionalArgument("COMMAND", "ports, status, config, set, command or check.", "COMMAND [ARGS]");
  QStringList arguments;
  for (int i = 0; i < argc; ++i) arguments << QString::fromLocal8Bit(argv[i]);
  if (!parser.parse(arguments)) return UsageError(parser.errorText().toStdString());
  if (parser.isSet(o.help)) {
    const std::string help = UsageText(parser.helpText().toStdString());
    std::fputs(help.c_str(), results);
    return kExitDone;
  }
  if (parser.isSet(o.version)) {
    std::fprintf(results, "korvel-ctl %s\n", kKorvelVersion);
    return kExitDone;
  }
  const std::string error = Read(parser, o, request);
  arguments[0] = "korvel-ctl";
  request.invocation = arguments.join(' ').toStdString();
  return error.empty() ? -1 : UsageError(error);
}

bool OptionTakesValue(const std::string& name) {
  const QString wanted = QString::fromStdString(name);
  for (const QCommandLineOption& option : All(Options())) {
    if (option.names().contains(wanted)) return !option.valueName().isEmpty();
  }
  return false;
}
