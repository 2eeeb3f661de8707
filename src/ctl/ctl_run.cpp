#include "ctl_run.h"

#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <string>

#include "burn_in.h"
#include "burn_in_files.h"
#include "burn_in_plan.h"
#include "command_cycle.h"
#include "ctl_check.h"
#include "ctl_json.h"
#include "ctl_messages.h"
#include "line_session.h"
#include "cycle_state.h"
#include "diagnostics.h"
#include "exchange_notes.h"
#include "open_failure.h"
#include "port_discovery.h"
#include "rack_channel.h"
#include "rack_variant.h"
#include "settings.h"
#include "record_entries.h"
#include "results_output.h"
#include "round_sends.h"
#include "serial_state.h"
#include "status_json.h"
#include "status_length.h"
#include "stop_request.h"
#include "usage_text.h"

namespace {

const char* GeneralNameOf(int layoutIndex) {
  for (const GeneralCommandName& g : GeneralCommandNames()) {
    if (g.layoutIndex == layoutIndex) return g.name;
  }
  return "?";
}

std::string PathOf(const ListedPort& port) { return port.service.calloutDevice.value_or("(no device path)"); }

std::string PortLine(const ListedPort& port, bool picked) {
  char line[64];
  std::snprintf(line, sizeof line, "%c %-24s ", picked ? '*' : ' ', PathOf(port).c_str());
  return line + PortKindText(port) + "\n";
}

int ListPortsTo(const CtlRequest& r, FILE* results) {
  const std::vector<ListedPort> ports = ListPorts();
  SearchPort();
  const std::string picked(bsdPath);
  for (const ListedPort& p : ports) {
    const bool isPicked = !picked.empty() && PathOf(p) == picked;
    std::fputs((r.json ? PortJson(p, isPicked) : PortLine(p, isPicked)).c_str(), results);
  }
  return picked.empty() ? kExitPort : kExitDone;
}

// Without --port only a controller's kind of port is opened: a USB serial
// adapter or an emulator. A plain serial port may be another instrument,
// which a stray command could upset.
int RefusePlainPort(const std::string& path) {
  std::string text = "korvel-ctl: the search picked " + path +
                     ", which is no USB serial adapter or emulator; name the port with --port to use it. "
                     "Ports found:\n";
  for (const ListedPort& p : ListPorts()) text += PortLine(p, PathOf(p) == path);
  Tell(text);
  return kExitPort;
}

// A run without --port says which port it opened and why that one: with two
// controllers plugged in, the operator learns which one answered.
std::string PickedPortLine(const std::string& path) {
  const std::vector<ListedPort> ports = ListPorts();
  std::string kind = "serial port";
  for (const ListedPort& p : ports) {
    if (PathOf(p) == path) kind = PortKindText(p);
  }
  return "korvel-ctl: no --port given; opening " + path + ", the first " + kind + " the search found (of " +
         std::to_string(ports.size()) + " ports; korvel-ctl ports lists them)\n";
}

bool IsControllersKind(const std::string& path) {
  for (const ListedPort& p : ListPorts()) {
    if (PathOf(p) == path) return p.group != PortGroup::kOther;
  }
  return false;
}

int OpenFailure(OpenOutcome outcome, const LineSession& session) {
  if (outcome == OpenOutcome::kNotOpened) {
    Tell("korvel-ctl: " + session.path() + ": " + OpenFailureWords(session.path(), portHealth) + "\n");
    return kExitPort;
  }
  Tell("korvel-ctl: " + session.path() + ": the controller did not answer the on-line byte\n");
  return kExitNoReply;
}

std::string HexBytes(const std::vector<unsigned char>& bytes) {
  return HexList(bytes.data(), static_cast<int>(bytes.size()), static_cast<int>(bytes.size())) + "\n";
}

// The cycle's log with its times before the separator that closes it.
std::string TimedLog(const CycleResult& result) {
  const std::string untimed = WithoutSeparator(result.log);
  const std::string separator = untimed.size() < result.log.size() ? kSeparator : "";
  return untimed + TimeLine(result.times.echo, result.times.reply) + separator;
}

// What standard error says of a cycle: its log and times with --verbose, the
// bytes dropped before its reply, and why it did not end with its reply.
void TellCycle(const CycleResult& result, bool verbose, const std::string& path) {
  if (verbose) Tell(TimedLog(result));
  if (!result.dropped.empty()) Tell("korvel-ctl: " + result.dropped + "\n");
  switch (result.outcome) {
    case CycleOutcome::kDone:
      return;
    case CycleOutcome::kBadReply: {
      const std::string came = result.reply.empty() ? WithoutSeparator(result.log) : HexBytes(result.reply);
      Tell("korvel-ctl: bad reply: " + result.badReply + "; what came:\n" + came);
      return;
    }
    case CycleOutcome::kPortGone:
      if (!verbose) Tell(result.message);
      Tell("korvel-ctl: the port went away (" + GoneWords(path) + ")\n");
      return;
    case CycleOutcome::kNoReply:
      // The window's log keeps its own text for a command without a reply;
      // a command the port did not take is told as the port told it.
      if (result.sentBytes > 0) {
        Tell("korvel-ctl: " + NoReplyWords());
      } else if (!verbose) {
        Tell(result.message);
      }
      return;
    default:
      if (!verbose) Tell(result.message);
      return;
  }
}

CycleResult Send(LineSession& session, bool verbose) {
  CycleResult result = session.send();
  TellCycle(result, verbose, session.path());
  return result;
}

int StatusOf(const CycleResult& result) {
  switch (result.outcome) {
    case CycleOutcome::kRefused:
      return kExitRefused;
    case CycleOutcome::kNoReply:
      return kExitNoReply;
    case CycleOutcome::kBadReply:
      return kExitBadReply;
    case CycleOutcome::kPortGone:
      return kExitPort;
    case CycleOutcome::kDone:
      break;
  }
  return kExitDone;
}

// The configuration text whole on one line; its bytes too with --verbose.
std::string ConfigurationLines(const CycleResult& result, bool verbose) {
  std::string text =
      "variant: " + std::string(VariantName(itype)) + "\nconfiguration: " + ConfigurationText(result.reply) + "\n";
  if (verbose) text += "bytes: " + HexBytes(result.reply);
  return text;
}

// The result of one run of the general command list's entry, on standard output.
// A reply that began with its echo but was not whole is still shown for what
// it holds (a status report says it ended early); the exit status tells.
void PrintResult(const CycleResult& result, int layoutIndex, bool json, bool verbose, FILE* results) {
  const bool ownButCut = result.outcome == CycleOutcome::kBadReply && result.echoed;
  if (result.outcome != CycleOutcome::kDone && !ownButCut) return;
  if (layoutIndex == kStatusEntry) {
    const std::string text = json ? WithTimes(StatusJson(result.reply, itype), result) : result.status;
    std::fputs(text.c_str(), results);
  } else if (layoutIndex == kConfigEntry) {
    const std::string text =
        json ? ConfigJson(itype, ConfigurationText(result.reply), result) : ConfigurationLines(result, verbose);
    std::fputs(text.c_str(), results);
  } else {
    const std::string text = json ? CommandJson(GeneralNameOf(layoutIndex), result) : HexBytes(result.reply);
    std::fputs(text.c_str(), results);
  }
}

BurnInOptions BurnInOf(const CtlRequest& r, BurnInFiles& files) {
  BurnInOptions options;
  options.repeat = r.repeat;
  options.interval = r.interval;
  options.stopOnError = r.stopOnError;
  options.verifyEvery = r.verifyEvery;
  options.maxDriftPercent = r.maxDriftPercent;
  options.limits = LimitsText(r);
  // A rack's parent owns the terminal: its controllers draw no line there.
  options.progress = isatty(STDERR_FILENO) && !InRack() ? stderr : nullptr;
  options.csv = files.csv.writing() ? &files.csv : nullptr;
  return options;
}

// Runs the burn-in, prints its summary and writes its report.
int BurnIn(const BurnInOptions& options, const CtlRequest& r, BurnInFiles& files, const LineSession& session,
           FILE* results) {
  const BurnInSummary summary = RunBurnIn(options);
  std::fputs((r.json ? SummaryJson(summary, WhoOf(r)) : SummaryText(summary, WhoOf(r))).c_str(), results);
  int status = SummaryExitStatus(summary);
  if (const std::string failure = WriteBurnInReport(r, files, summary, session.path());
      !failure.empty()) {
    Tell("korvel-ctl: " + failure + "\n");
    if (status == kExitDone) status = kExitUsage;
  }
  return status;
}

CycleResult SendEntry(LineSession& session, int layoutIndex, bool verbose) {
  if (!session.pickGeneralCommand(layoutIndex)) {
    CycleResult refused;
    refused.outcome = CycleOutcome::kRefused;
    refused.message = "korvel-ctl: " + std::string(GeneralNameOf(layoutIndex)) +
                      ": this controller's general command list has no such entry\n";
    Tell(refused.message);
    return refused;
  }
  return Send(session, verbose);
}

// A status query's row carries the settings it reported: from a whole reply
// of the controller identified only, which the window was shown.
void NoteReported(CycleResult& result, LineSession& session) {
  if (result.outcome != CycleOutcome::kDone) return;
  if (!StatusReplyFault(static_cast<Variant>(itype), result.reply).empty()) return;
  result.reported = ReportedWords(session.window(), result.reply);
}

int RunEntry(LineSession& session, const CtlRequest& r, int layoutIndex, BurnInFiles& files, FILE* results) {
  const auto once = [&session, &r, layoutIndex]() {
    CycleResult result = SendEntry(session, layoutIndex, r.verbose);
    if (layoutIndex == kStatusEntry) NoteReported(result, session);
    return result;
  };
  if (r.repeat == 0) {
    if (StopRequested()) return StoppedStatus();
    const CycleResult result = once();
    PrintResult(result, layoutIndex, r.json, r.verbose, results);
    return StatusOf(result);
  }
  BurnInOptions options = BurnInOf(r, files);
  const std::string name = GeneralNameOf(layoutIndex);
  options.round.push_back({name, once, MaxMsOf(r, {name})});
  return BurnIn(options, r, files, session, results);
}

// One cycle of set: the settings put into the window, then Send; always:
// sent as if the controls had changed, also when the controller has them.
CycleResult SetOnce(LineSession& session, const SettingCycle& cycle, bool verbose, bool always = false) {
  if (const std::string problem = ApplySettings(cycle, session.window()); !problem.empty()) {
    CycleResult refused;
    refused.outcome = CycleOutcome::kRefused;
    refused.message = "korvel-ctl: " + cycle.words() + ": " + problem + "\n";
    Tell(refused.message);
    return refused;
  }
  if (!always) return Send(session, verbose);
  const SentAsChanged changed(cycle, session.window());
  return Send(session, verbose);
}

// The verifying query's mismatches, each with the step that set its key last.
std::vector<ReportedMismatch> MismatchesOf(const std::vector<SettingCycle>& cycles, HeadlessWindow& window,
                                           const std::vector<unsigned char>& reply) {
  std::vector<ReportedMismatch> found;
  for (const ReportedValue& v : MismatchedValues(cycles, window, reply)) {
    ReportedMismatch m{0, v.key->key, v.set, v.reported};
    for (std::size_t i = 0; i < cycles.size(); ++i) {
      for (const Setting& s : cycles[i].settings) {
        if (s.key == v.key) m.step = i;
      }
    }
    found.push_back(m);
  }
  return found;
}

// Rounds of the settings in order; every verifyEvery rounds a status query
// whose report must show the last value each setting was given.
int RunSettingsBurnIn(LineSession& session, const CtlRequest& r, BurnInFiles& files, FILE* results) {
  BurnInOptions options = BurnInOf(r, files);
  for (const SettingCycle& cycle : r.settings) {
    std::vector<std::string> keys;
    for (const Setting& s : cycle.settings) keys.emplace_back(s.key->key);
    options.round.push_back({cycle.words(),
                             [&session, &cycle, &r]() { return SetOnce(session, cycle, r.verbose, r.alwaysSend); },
                             MaxMsOf(r, keys)});
  }
  const std::string status = GeneralNameOf(kStatusEntry);
  options.verify = {status,
                    [&session, &r](std::vector<ReportedMismatch>& mismatches) {
                      CycleResult result = SendEntry(session, kStatusEntry, r.verbose);
                      // A verification rests only on a whole status reply of
                      // the controller identified.
                      if (result.outcome == CycleOutcome::kDone) {
                        result.badReply = StatusReplyFault(static_cast<Variant>(itype), result.reply);
                        if (!result.badReply.empty()) {
                          result.outcome = CycleOutcome::kBadReply;
                          Tell("korvel-ctl: bad reply: " + result.badReply + "; what came:\n" + HexBytes(result.reply));
                        }
                      }
                      if (result.outcome == CycleOutcome::kDone) {
                        // The Mono's own settings are read from the reply, as the check reads them.
                        mismatches = MismatchesOf(r.settings, session.window(), result.reply);
                        result.mismatch = ReportedMismatches(r.settings, session.window(), result.reply);
                        if (!result.mismatch.empty()) Tell("korvel-ctl: mismatch: " + result.mismatch + "\n");
                      }
                      NoteReported(result, session);
                      return result;
                    },
                    MaxMsOf(r, {status})};
  return BurnIn(options, r, files, session, results);
}

// set and command start as an operator does: Status, so that the window
// knows the controller and its missing devices.
int StatusFirst(LineSession& session, bool verbose) {
  session.pickGeneralCommand(kStatusEntry);
  return StatusOf(Send(session, verbose));
}

int RunSettings(LineSession& session, const CtlRequest& r, FILE* results) {
  for (const SettingCycle& cycle : r.settings) {
    if (StopRequested()) {
      Tell("korvel-ctl: stopped before " + cycle.words() + "\n");
      return StoppedStatus();
    }
    const CycleResult result = SetOnce(session, cycle, r.verbose);
    if (r.json && result.outcome != CycleOutcome::kRefused) std::fputs(SettingJson(cycle.words(), result).c_str(), results);
    const int status = StatusOf(result);
    if (status != kExitDone) return status;
  }
  return kExitDone;
}

// The configuration text for a report or a rack's summary, from one query
// before the run.
int ConfigurationFirst(LineSession& session, BurnInFiles& files, bool verbose) {
  const CycleResult result = SendEntry(session, kConfigEntry, verbose);
  SendVariantWhenKnown();
  if (result.outcome == CycleOutcome::kDone) {
    files.configuration = ConfigurationText(result.reply);
    SendRackRecord(kRackConfiguration, QString::fromStdString(files.configuration));
  }
  return StatusOf(result);
}

int RunOnPort(LineSession& session, const CtlRequest& r, BurnInFiles& files, FILE* results) {
  if (r.command == "check") return RunCheckCommand(session, r, files, results);
  if (files.report.opened() || InRack()) {
    const int status = ConfigurationFirst(session, files, r.verbose);
    if (status != kExitDone) return status;
    if (StopRequested()) return StoppedStatus();
  }
  if (r.command == "status") return RunEntry(session, r, kStatusEntry, files, results);
  if (r.command == "config") return RunEntry(session, r, kConfigEntry, files, results);
  const bool statusFirst = r.command == "set" || r.general->layoutIndex != kStatusEntry;
  if (statusFirst) {
    const int status = StatusFirst(session, r.verbose);
    if (status != kExitDone) return status;
    // A stop asked for meanwhile sends nothing more.
    if (StopRequested()) return StoppedStatus();
  }
  if (r.command == "set" && r.repeat > 0 && !r.alwaysSend && RoundSendsNothingNow(r.settings)) {
    Tell("korvel-ctl: " + NothingToSendWords(r));
    return kExitUsage;
  }
  if (r.command == "set") {
    return r.repeat > 0 ? RunSettingsBurnIn(session, r, files, results) : RunSettings(session, r, results);
  }
  return RunEntry(session, r, r.general->layoutIndex, files, results);
}

// The port named, or the one a search picks when it is a controller's kind;
// empty, with the exit status in `status`, when there is none to open.
std::string PortToOpen(LineSession& session, const CtlRequest& r, int& status) {
  if (!r.port.empty()) return r.port;
  const std::string found = session.search();
  if (found.empty()) {
    Tell("korvel-ctl: no serial port found\n");
    status = kExitPort;
  } else if (!IsControllersKind(found)) {
    status = RefusePlainPort(found);
    return {};
  } else {
    Tell(PickedPortLine(found));
  }
  return found;
}

}  // namespace

int RunRequest(const CtlRequest& r, FILE* results) {
  // The search's "BSD path" lines report no fault: only --verbose shows them.
  ShowProgressLines(r.verbose);
  if (!r.verbose && !QuietDiagnostics()) {
    Tell("korvel-ctl: cannot silence the serial link's diagnostics - " + std::string(std::strerror(errno)) + "\n");
  }
  if (r.command == "command" && r.list) {
    std::fputs(GeneralCommandList().c_str(), results);
    return kExitDone;
  }
  if (r.command == "ports") return ListPortsTo(r, results);
  // The check moves wheels and opens shutters: asked before the port opens.
  if (r.command == "check") {
    if (const int refused = CheckConsent(r); refused >= 0) return refused;
  }
  LineSession session;
  // A record asked for and not kept is no run to start: a script would find
  // out only afterwards.
  if (!r.log.empty()) {
    if (const std::string failure = session.startRecord(r.log); !failure.empty()) {
      Tell("korvel-ctl: " + failure + "\n");
      return kExitUsage;
    }
  }
  BurnInFiles files;
  if (const std::string failure = OpenBurnInFiles(r, files); !failure.empty()) {
    Tell("korvel-ctl: " + failure + "\n");
    return kExitUsage;
  }
  const RemovedAtSecondSignal temporary(files.report.temporaryPath());
  int status = kExitDone;
  const std::string path = PortToOpen(session, r, status);
  if (path.empty()) return status;
  const OpenOutcome opened = session.open(path);
  if (opened != OpenOutcome::kReady) return OpenFailure(opened, session);
  SendVariantWhenKnown();
  // A stop asked for while the port opened sends nothing after the on-line byte.
  if (StopRequested()) return StoppedStatus();
  return RunOnPort(session, r, files, results);
}
