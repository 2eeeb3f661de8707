#include "command_cycle.h"

#include <algorithm>
#include <span>
#include <string_view>

#include "capture.h"
#include "configuration_echo.h"
#include "cycle_state.h"
#include "exchange_notes.h"
#include "general_command.h"
#include "identification.h"
#include "remembered_values.h"
#include "reply_echo.h"
#include "serial_state.h"
#include "shutter_command.h"
#include "status_length.h"
#include "status_report.h"
#include "timing_command.h"
#include "transaction.h"
#include "wheel_command.h"

namespace {

// First bytes of the two replies that carry more than an echo.
constexpr unsigned char kStatusReply = 0xCC;
constexpr unsigned char kConfigurationReply = 0xFD;
// Follows the command in mycomm; the transaction does not send it.
constexpr unsigned char kEndMarker = 0x0A;

enum class SendState { kNothing, kReady, kNoReply };

// Where the last cycle's command came from, for the window's note on the
// changes that one command per cycle left unsent.
bool lastCommandWasSetting = false;
CycleFacts lastCycle;

// ---- Reply interpreters ----------------------------------------------------
// Their call points in the cycle. A configuration reply tells the variant by
// its length; it is logged as text and may reshape the window. A status reply
// first tells the variant while none is known (and reshapes the window), then
// becomes the status report in statusText and the reported settings in
// cycle.capture. Both read only the length bytes received.

void InterpretConfigurationReply(Cycle& cycle, TessaroController& window, int32_t length) {
  const auto received = static_cast<std::size_t>(std::clamp(length, 0, static_cast<int32_t>(kBufferSize)));
  HandleConfigurationReply(std::span<const unsigned char>(Buffer, received), cycle, window);
}

void InterpretStatusReply(Cycle& cycle, TessaroController& window, int32_t length) {
  const auto received = static_cast<std::size_t>(std::clamp(length, 0, static_cast<int32_t>(kBufferSize)));
  const std::span<const unsigned char> reply(Buffer, received);
  if (itype == kUnknown) IdentifyFromStatusReply(reply, cycle, window);
  decodeStatusReply(reply, cycle, window);
}

// -----------------------------------------------------------------------------

Encoding EncodeSetting(SettingField field, Cycle& cycle, const TessaroController& window) {
  if (field == kOtherCommand) return EncodeGeneralCommand(cycle, window);
  if (field <= kShutterBsteps) return EncodeShutterCommand(field, cycle, window);
  return EncodeTimingCommand(field, cycle, window);
}

// Only the first changed setting is encoded, whatever else changed.
Encoding EncodeChangedSetting(Cycle& cycle, const TessaroController& window) {
  for (int i = 0; i < kSettingFields; ++i) {
    if (cycle.capture.setting[i] != scomm0[i]) return EncodeSetting(static_cast<SettingField>(i), cycle, window);
  }
  return Encoding::kNothing;
}

// A refused setting still lets a changed wheel move in the same cycle.
SendState EncodeChange(Cycle& cycle, const TessaroController& window) {
  Encoding encoding = EncodeChangedSetting(cycle, window);
  lastCommandWasSetting = encoding == Encoding::kReady;
  if (encoding != Encoding::kReady) encoding = EncodeWheelCommand(cycle);
  if (encoding != Encoding::kReady) return SendState::kNothing;
  // A length outside 1 to 20 is no command, and its marker would land outside
  // the command buffer.
  if (cycle.commandLength < 1 || cycle.commandLength > kMaxCommandLength) return SendState::kNothing;
  mycomm[cycle.commandLength] = kEndMarker;
  return SendState::kReady;
}

// Where the reply's echo lines stand in the cycle's log, so that the log's
// own words are known without reading the log back.
struct EchoPlace {
  std::size_t begin = 0;
  std::size_t end = 0;
};

void HandleReply(Cycle& cycle, TessaroController& window, int32_t length, EchoPlace& echo) {
  if (Buffer[0] == kConfigurationReply) {
    InterpretConfigurationReply(cycle, window, length);
    return;
  }
  echo.begin = cycle.logText.size();
  AppendReplyEcho(Buffer, length, cycle.logText);
  echo.end = cycle.logText.size();
  if (Buffer[0] == kStatusReply) InterpretStatusReply(cycle, window, length);
}

SendState Transact(Cycle& cycle, TessaroController& window, CycleFacts& facts, EchoPlace& echo) {
  // Every front sends through here: the serial layer learns from the replies'
  // own layer when a status reply is whole.
  SetStatusReplyLengthHook(StatusReplyLength);
  const int32_t received = Communicate(cycle.commandLength, cycle.extraLength);
  // A command the port did not take whole is said so; one it took none of
  // has no reply, and the controller had no command to ignore.
  facts.notSent = NotSentNote(lineExchange, cycle.commandLength);
  if (!facts.notSent.empty()) {
    cycle.logText += facts.notSent + "\n";
    if (lineExchange.sent == 0) return SendState::kNoReply;
  }
  if (received <= 0) {
    cycle.logText += kNoReplyMessage;
    return SendState::kNoReply;
  }
  const int32_t length = std::min(received, static_cast<int32_t>(kBufferSize));
  facts.reply.assign(Buffer, Buffer + length);
  HandleReply(cycle, window, length, echo);
  return SendState::kReady;
}

// What the line did, taken from its exchange once the cycle has ended.
void TakeExchange(CycleFacts& facts, SendState state) {
  const int sent = std::clamp(static_cast<int>(lineExchange.sent), 0, static_cast<int>(kCommandSize));
  facts.command.assign(mycomm, mycomm + sent);
  const int dropped = std::clamp(static_cast<int>(lineExchange.droppedCount), 0, static_cast<int>(kBufferSize));
  facts.droppedCount = lineExchange.droppedCount;
  facts.dropped.assign(lineExchange.dropped, lineExchange.dropped + dropped);
  facts.droppedNote = DroppedBytesNote(lineExchange);
  facts.times = TimesOf(lineExchange);
  facts.sendFailure = lineExchange.sendFailure;
  facts.echoed = lineExchange.echoed;
  facts.cutShort = lineExchange.cutShort;
  if (state == SendState::kNoReply) {
    facts.end = lineExchange.sent == 0 ? CycleEnd::kNotSent : CycleEnd::kNoReply;
  } else if (!facts.reply.empty()) {
    facts.end = CycleEnd::kReplied;
  }
}

// The log without its echo lines and its closing separator.
std::string OwnWords(const std::string& log, EchoPlace echo) {
  std::string words = log.substr(0, echo.begin);
  words += log.substr(echo.end, log.size() - std::string_view(kSeparator).size() - echo.end);
  return words;
}

// The views are read-only for the operator and take text only while editable.
void InsertInto(TextView& view, const std::string& text) {
  view.setEditable(true);
  view.insertText(text);
  view.setEditable(false);
}

}  // namespace

bool LastCommandWasSetting() { return lastCommandWasSetting; }

const CycleFacts& LastCycle() { return lastCycle; }

void RunCommandCycle(TessaroController& window) {
  Cycle cycle;
  CycleFacts facts;
  EchoPlace echo;
  // A cycle that sends nothing leaves no trace of an earlier one's exchange.
  lineExchange = LineExchange{};
  cycle.capture = CaptureControls(window);
  SendState state = EncodeChange(cycle, window);
  // Until the command goes out the log holds only the encoders' refusals.
  facts.refusal = cycle.logText;
  echo.begin = echo.end = cycle.logText.size();
  if (state == SendState::kReady) state = Transact(cycle, window, facts, echo);
  TakeExchange(facts, state);
  cycle.logText += kSeparator;

  // After no reply the controller kept its settings: the window returns to
  // them, and the same change is tried again when the operator repeats it.
  if (state != SendState::kNoReply) RememberCapture(cycle.capture);
  scomm0[kOtherCommand] = 0;
  ShowRememberedValues(window);

  InsertInto(*window.receivedView, cycle.logText);
  const bool statusShown = Buffer[0] == kStatusReply;
  if (statusShown) InsertInto(*window.statusView, cycle.statusText);
  facts.message = OwnWords(cycle.logText, echo);
  facts.log = std::move(cycle.logText);
  if (statusShown) facts.status = std::move(cycle.statusText);
  lastCycle = std::move(facts);
  window.otherCommand->selectText();
}

void TessaroController::communicate(void* /*sender*/) { RunCommandCycle(*this); }

std::string WithoutSeparator(std::string log) {
  const std::string_view separator = kSeparator;
  if (log.size() >= separator.size() && log.compare(log.size() - separator.size(), separator.size(), separator) == 0) {
    log.resize(log.size() - separator.size());
  }
  return log;
}
