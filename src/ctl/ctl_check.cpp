#include "ctl_check.h"

#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <string>

#include "check_output.h"
#include "check_report.h"
#include "ctl_messages.h"
#include "setting_tables.h"
#include "html_report.h"
#include "progress_line.h"
#include "rack_channel.h"
#include "rack_variant.h"
#include "status_json.h"
#include "cycle_state.h"
#include "stop_request.h"

namespace {

std::string Named(const bool* chosen, int count, const char* kind) {
  std::string names;
  for (int i = 0; i < count; ++i) {
    if (chosen[i]) names += std::string(names.empty() ? "" : ", ") + static_cast<char>('A' + i);
  }
  return names.empty() ? std::string() : std::string(kind) + " " + names;
}

// What the check will move and open, for the question.
std::string WhatMoves(const CtlRequest& r) {
  const std::string wheels = Named(r.wheels, 3, "wheels");
  const std::string shutters = Named(r.shutters, 2, "shutters");
  const std::string where =
      r.ports.size() > 1 ? " on each of the " + std::to_string(r.ports.size()) + " controllers at once" : "";
  return "The check moves " + (wheels.empty() ? std::string("no wheel") : wheels) +
                     " through every position and speed and sets " +
                     (shutters.empty() ? std::string("no shutter") : shutters) +
                     " open, closed and through every mode, those the controller reports connected" + where +
                     "; light may "
                     "reach a sample. It takes about a minute a wheel at fast speeds, more at slow ones.";
}

int ExitStatusOf(const CheckResult& result) {
  if (StopSignal() != 0) return 128 + StopSignal();
  if (result.portGone) return kExitPort;
  if (result.verdict == CheckVerdict::kNoReply) return kExitNoReply;
  if (result.verdict == CheckVerdict::kBadReply) return kExitBadReply;
  if (result.verdict == CheckVerdict::kFailed || !result.restored) return kExitFailedSteps;
  return kExitDone;
}

std::string WriteCheckReport(BurnInFiles& files, const CheckResult& result, const std::string& port,
                             const CtlRequest& r) {
  const RunDescription run = DescribeRunOf(r, files, result.configuration, port);
  if (files.reportToRack) {
    SendRackRecord(kRackReport, QString::fromStdString(CheckReportSectionHtml(run, result)));
    return {};
  }
  return files.report.keep(CheckReportHtml(run, result));
}

// The user's answer, one line as the terminal hands it over; empty when a
// stop signal came first, at the end of input or on an error.
std::string ReadAnswer() {
  char answer[16] = {};
  if (!WaitForInputUnlessStopped(STDIN_FILENO)) return {};
  ssize_t got = -1;
  do {
    got = read(STDIN_FILENO, answer, sizeof answer - 1);
  } while (got < 0 && errno == EINTR && !StopRequested());
  return got > 0 ? std::string(answer, static_cast<std::size_t>(got)) : std::string();
}

// What a second stop signal says as it ends the process: the restore's
// settings, so that the user can put them back with set.
std::string CutShortLine(CheckOptions::Holding holding, const std::string& found) {
  switch (holding) {
    case CheckOptions::Holding::kSteps:
      return "korvel-ctl: the check was cut short before its restore; the controller may hold its last step's "
             "settings in place of those found: " + found + "\n";
    case CheckOptions::Holding::kRestore:
      return "korvel-ctl: the restore was cut short; the controller may hold some of the check's settings in place "
             "of those found: " + found + "\n";
    case CheckOptions::Holding::kFound:
      break;
  }
  return {};
}

}  // namespace

int CheckConsent(const CtlRequest& r) {
  if (r.yes) return -1;
  if (!isatty(STDIN_FILENO) || !isatty(STDERR_FILENO)) {
    Tell("korvel-ctl: " + WhatMoves(r) + "\nkorvel-ctl: without a terminal to ask on, check needs --yes\n");
    return kExitUsage;
  }
  Tell(WhatMoves(r) + "\n");
  std::fputs("Start the check? [y/N] ", stderr);
  std::fflush(stderr);
  const std::string answer = ReadAnswer();
  if (answer == "y\n" || answer == "yes\n") return -1;
  // The question's line is still open after Ctrl-C.
  if (StopRequested()) Tell("\n");
  Tell("korvel-ctl: check not started\n");
  return StopRequested() ? StoppedStatus() : kExitUsage;
}

int RunCheckCommand(LineSession& session, const CtlRequest& r, BurnInFiles& files, FILE* results) {
  CheckOptions options;
  for (int i = 0; i < 3; ++i) options.choice.wheel[i] = r.wheels[i];
  for (int i = 0; i < 2; ++i) options.choice.shutter[i] = r.shutters[i];
  options.maxMs = r.maxMs;
  options.maxDriftPercent = r.maxDriftPercent;
  options.stopRequested = StopRequested;
  // The configuration reply identifies the controller.
  options.configured = [](const std::string& configuration) {
    SendVariantWhenKnown();
    SendRackRecord(kRackConfiguration, QString::fromStdString(configuration));
  };
  // A rack's parent owns the terminal: its controllers draw no line there.
  const bool progress = isatty(STDERR_FILENO) != 0 && !InRack();
  Progress last;
  options.stepEnded = [&](const CheckStep& step, const CheckProgress& counts) {
    if (progress) std::fputs("\r\033[K", stderr);
    if (!r.json) {
      std::fputs(StepLine(step).c_str(), results);
      std::fflush(results);
    }
    last = {counts.done, counts.planned, counts.failed, "steps", counts.secondsLeft};
    SendProgress(last, false);
    if (progress) ShowProgress(stderr, last, false);
  };
  options.holding = [progress](CheckOptions::Holding holding, const std::string& found) {
    const std::string line = CutShortLine(holding, found);
    // Over the progress line, which a second signal leaves standing.
    SetCutShortLine(progress && !line.empty() ? "\r\033[K" + line : line);
  };
  KeepProgressLine(progress);
  const CheckResult result = RunCheck(session, options);
  last.secondsLeft = -1;
  // A check that ended before its plan was made has no count to give.
  if (last.planned > 0) SendProgress(last, true);
  SetCutShortLine({});
  if (progress) std::fputs("\r\033[K", stderr);
  KeepProgressLine(false);
  std::fputs((r.json ? CheckJson(result, WhoOf(r)) : CheckSummaryText(result, WhoOf(r))).c_str(), results);
  if (!result.notIdentified.empty()) {
    Tell("korvel-ctl: " + result.notIdentified + "; the check ended before anything moved: " + result.restoreNote +
         "\n");
  }
  int status = ExitStatusOf(result);
  if (files.report.opened() || files.reportToRack) {
    if (const std::string failure = WriteCheckReport(files, result, session.path(), r);
        !failure.empty()) {
      Tell("korvel-ctl: " + failure + "\n");
      if (status == kExitDone) status = kExitUsage;
    }
  }
  return status;
}
