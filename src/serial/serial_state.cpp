#include "serial_state.h"

#include <cstring>

#include "line_wait.h"

char bsdPath[kPathSize];
int fileDescriptor = -1;
struct termios gOriginalTTYAttrs;
unsigned char mycomm[kCommandSize];
unsigned char Buffer[kBufferSize];
PortHealth portHealth;
bool lineOwesBytes = false;
std::chrono::microseconds owedBytesWait{};
LineExchange lineExchange;

namespace {

ReplyLengthHook statusReplyLength = nullptr;

}  // namespace

void SetStatusReplyLengthHook(ReplyLengthHook hook) { statusReplyLength = hook; }

ReplyLengthHook StatusReplyLengthHook() { return statusReplyLength; }

void ResetSerialState() {
  std::memset(bsdPath, 0, sizeof bsdPath);
  fileDescriptor = -1;
  std::memset(&gOriginalTTYAttrs, 0, sizeof gOriginalTTYAttrs);
  std::memset(mycomm, 0, sizeof mycomm);
  std::memset(Buffer, 0, sizeof Buffer);
  portHealth = PortHealth{};
  lineOwesBytes = false;
  owedBytesWait = {};
  lineExchange = LineExchange{};
  SetLineWaitHook({}, std::chrono::milliseconds(0));
  statusReplyLength = nullptr;
}
