#include "ctl_check.h"

#include <unistd.h>

#include <cstring>
#include <string>

#include "check_output.h"
#include "check_report.h"
#include "ctl_messages.h"
#include "setting_tables.h"
#include "html_report.h"
#include "korvel_version.h"
#include "progress_line.h"
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
  return "The check moves " + (wheels.empty() ? std::string("no wheel") : wheels) +
                     " through every position and speed and sets " +
                     (shutters.empty() ? std::string("no shutter") : shutters) +
                     " open, closed and through every mode, those the controller reports connected; light may "
                     "reach a sample. It takes about a minute a wheel at fast speeds, more at slow ones.";
}

int ExitStatusOf(const CheckResult& result) {
  if (StopSignal() != 0) return 128 + StopSignal();
  if (result.portGone) return kExitPort;
  if (result.verdict == CheckVerdict::kNoReply) return kExitNoReply;
  if (result.verdict == CheckVerdict::kFailed || !result.restored) return kExitFailedSteps;
  return kExitDone;
}

std::string WriteCheckReport(const BurnInFiles& files, const CheckResult& result, const std::string& port,
                             const std::string& variant, const std::string& invocation) {
  RunDescription run;
  run.variant = variant;
  run.configuration = result.configuration;
  run.port = port;
  run.startedAt = files.startedAt;
  run.endedAt = std::chrono::system_clock::now();
  run.programVersion = std::string("korvel-ctl ") + kKorvelVersion;
  run.invocation = invocation;
  return WriteReport(files.report, CheckReportHtml(run, result));
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
  char answer[16] = {};
  if (std::fgets(answer, sizeof answer, stdin) != nullptr &&
      (std::strcmp(answer, "y\n") == 0 || std::strcmp(answer, "yes\n") == 0)) {
    return -1;
  }
  Tell("korvel-ctl: check not started\n");
  return kExitUsage;
}

int RunCheckCommand(LineSession& session, const CtlRequest& r, BurnInFiles& files, FILE* results) {
  CheckOptions options;
  for (int i = 0; i < 3; ++i) options.choice.wheel[i] = r.wheels[i];
  for (int i = 0; i < 2; ++i) options.choice.shutter[i] = r.shutters[i];
  options.stopRequested = StopRequested;
  const bool progress = isatty(STDERR_FILENO) != 0;
  int done = 0;
  int failures = 0;
  options.stepEnded = [&](const CheckStep& step, int planned) {
    ++done;
    failures += step.result == StepResult::kFail ? 1 : 0;
    if (progress) std::fputs("\r\033[K", stderr);
    if (!r.json) {
      std::fputs(StepLine(step).c_str(), results);
      std::fflush(results);
    }
    if (progress) ShowProgress(stderr, {done, planned, failures, " steps"}, false);
  };
  KeepProgressLine(progress);
  const CheckResult result = RunCheck(session, options);
  if (progress) std::fputs("\r\033[K", stderr);
  KeepProgressLine(false);
  std::fputs((r.json ? CheckJson(result) : CheckSummaryText(result)).c_str(), results);
  int status = ExitStatusOf(result);
  if (!files.report.empty()) {
    if (const std::string failure = WriteCheckReport(files, result, session.path(), VariantName(itype), r.invocation);
        !failure.empty()) {
      Tell("korvel-ctl: " + failure + "\n");
      if (status == kExitDone) status = kExitUsage;
    }
  }
  return status;
}
