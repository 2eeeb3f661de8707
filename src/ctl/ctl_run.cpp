#include "ctl_run.h"

#include <unistd.h>

#include <string>

#include "burn_in.h"
#include "command_cycle.h"
#include "ctl_session.h"
#include "cycle_state.h"
#include "port_discovery.h"
#include "serial_state.h"
#include "status_json.h"
#include "stop_request.h"
#include "usage_text.h"

namespace {

constexpr int kStatusEntry = 1;
constexpr int kConfigEntry = 2;

const char* GeneralNameOf(int layoutIndex) {
  for (const GeneralCommandName& g : GeneralCommandNames()) {
    if (g.layoutIndex == layoutIndex) return g.name;
  }
  return "?";
}

int ListPortsTo(FILE* results) {
  const std::vector<ListedPort> ports = ListPorts();
  SearchPort();
  const std::string picked(bsdPath);
  for (const ListedPort& p : ports) {
    const std::string path = p.service.calloutDevice.value_or("(no device path)");
    std::fprintf(results, "%c %-24s %s\n", !picked.empty() && path == picked ? '*' : ' ', path.c_str(), PortKindText(p).c_str());
  }
  return picked.empty() ? kExitPort : kExitDone;
}

int OpenFailure(OpenOutcome outcome, const CtlSession& session) {
  switch (outcome) {
    case OpenOutcome::kNotFound:
      std::fprintf(stderr, "korvel-ctl: no serial port found\n");
      return kExitPort;
    case OpenOutcome::kNotOpened:
      std::fprintf(stderr, "korvel-ctl: %s: Failed to open the communication port.\n", session.path().c_str());
      return kExitPort;
    default:
      std::fprintf(stderr, "korvel-ctl: %s: the controller did not answer the on-line byte\n", session.path().c_str());
      return kExitNoReply;
  }
}

// One cycle with its log on standard error for --verbose, and the window's
// message on standard error when the cycle was refused or got no reply.
CycleResult Send(CtlSession& session, bool verbose) {
  CycleResult result = session.send();
  if (verbose) std::fputs(result.log.c_str(), stderr);
  if (!verbose && result.outcome != CycleOutcome::kDone) std::fputs(result.message.c_str(), stderr);
  return result;
}

int StatusOf(const CycleResult& result) {
  switch (result.outcome) {
    case CycleOutcome::kRefused:
      return kExitRefused;
    case CycleOutcome::kNoReply:
      return kExitNoReply;
    default:
      return kExitDone;
  }
}

std::string WithoutSeparator(std::string log) {
  const std::string separator = kSeparator;
  if (log.size() >= separator.size() && log.compare(log.size() - separator.size(), separator.size(), separator) == 0) {
    log.resize(log.size() - separator.size());
  }
  return log;
}

std::string HexBytes(const std::vector<unsigned char>& bytes) {
  std::string text;
  char hex[4];
  for (unsigned char b : bytes) {
    std::snprintf(hex, sizeof hex, "%02X", b);
    text += (text.empty() ? "" : " ") + std::string(hex);
  }
  return text + "\n";
}

// The result of one run of the general command list's entry, on standard output.
void PrintResult(const CycleResult& result, int layoutIndex, bool json, FILE* results) {
  if (result.outcome != CycleOutcome::kDone) return;
  if (layoutIndex == kStatusEntry) {
    const std::string text = json ? StatusJson(result.reply, itype) : result.status;
    std::fputs(text.c_str(), results);
  } else if (layoutIndex == kConfigEntry) {
    std::fprintf(results, "variant: %s\n%s", VariantName(itype), WithoutSeparator(result.log).c_str());
  } else {
    std::fputs(HexBytes(result.reply).c_str(), results);
  }
}

int RunEntry(CtlSession& session, const CtlRequest& r, int layoutIndex, int bytesSent, FILE* results) {
  const auto once = [&session, &r, layoutIndex]() {
    if (!session.pickGeneralCommand(layoutIndex)) {
      CycleResult refused;
      refused.outcome = CycleOutcome::kRefused;
      refused.message = "korvel-ctl: " + std::string(GeneralNameOf(layoutIndex)) +
                        ": this controller's general command list has no such entry\n";
      std::fputs(refused.message.c_str(), stderr);
      return refused;
    }
    return Send(session, r.verbose);
  };
  if (r.repeat == 0) {
    const CycleResult result = once();
    PrintResult(result, layoutIndex, r.json, results);
    return StatusOf(result);
  }
  BurnInOptions options;
  options.repeat = r.repeat;
  options.interval = r.interval;
  options.stopOnError = r.stopOnError;
  options.bytesSent = bytesSent;
  options.progress = isatty(STDERR_FILENO) ? stderr : nullptr;
  const BurnInSummary summary = RunBurnIn(options, once);
  std::fputs(SummaryText(summary).c_str(), results);
  return SummaryExitStatus(summary);
}

// set and command start as an operator does: Status, so that the window
// knows the controller and its missing devices.
int StatusFirst(CtlSession& session, bool verbose) {
  session.pickGeneralCommand(kStatusEntry);
  return StatusOf(Send(session, verbose));
}

int RunSettings(CtlSession& session, const CtlRequest& r) {
  for (const SettingCycle& cycle : r.settings) {
    if (StopRequested()) {
      std::fprintf(stderr, "korvel-ctl: stopped before %s\n", cycle.words().c_str());
      return 128 + StopSignal();
    }
    const std::string problem = ApplySettings(cycle, session.window());
    if (!problem.empty()) {
      std::fprintf(stderr, "korvel-ctl: %s: %s\n", cycle.words().c_str(), problem.c_str());
      return kExitRefused;
    }
    const int status = StatusOf(Send(session, r.verbose));
    if (status != kExitDone) return status;
  }
  return kExitDone;
}

int RunOnPort(CtlSession& session, const CtlRequest& r, FILE* results) {
  if (r.command == "status") return RunEntry(session, r, kStatusEntry, 1, results);
  if (r.command == "config") return RunEntry(session, r, kConfigEntry, 1, results);
  const bool statusFirst = r.command == "set" || r.general->layoutIndex != kStatusEntry;
  if (statusFirst) {
    const int status = StatusFirst(session, r.verbose);
    if (status != kExitDone) return status;
  }
  if (r.command == "set") return RunSettings(session, r);
  return RunEntry(session, r, r.general->layoutIndex, r.general->bytesSent, results);
}

}  // namespace

int RunRequest(const CtlRequest& r, FILE* results) {
  if (r.command == "command" && r.list) {
    std::fputs(GeneralCommandList().c_str(), results);
    return kExitDone;
  }
  if (r.command == "ports") return ListPortsTo(results);
  CtlSession session;
  // A record asked for and not kept is no run to start: a script would find
  // out only afterwards.
  if (!r.log.empty()) {
    if (const std::string failure = session.startRecord(r.log); !failure.empty()) {
      std::fprintf(stderr, "korvel-ctl: %s\n", failure.c_str());
      return kExitUsage;
    }
  }
  const OpenOutcome opened = session.open(r.port);
  if (opened != OpenOutcome::kReady) return OpenFailure(opened, session);
  return RunOnPort(session, r, results);
}
