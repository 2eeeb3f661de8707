// The transaction against a peer that answers, in arbitrary pieces and
// pauses, either with arbitrary bytes or with the command's own reply (its
// echo and closing byte), perhaps after stray bytes, some equal to the echo,
// and then hangs up. Whatever came, the reply is a stretch of what the peer
// sent that begins at an echo when one came, and the bytes dropped are
// exactly those before it; it begins past the first byte equal to the echo
// only when it ended whole at a closing byte, its whole echo first. The
// command's own reply after stray bytes that hold no 0x0D is the reply.
#include <fuzzer/FuzzedDataProvider.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdlib>
#include <cstring>
#include <thread>

#include "port_setup.h"
#include "pty_peer.h"
#include "serial_state.h"
#include "transaction.h"

namespace {

// First bytes that the transaction treats specially, and ordinary ones.
constexpr unsigned char kFirstBytes[] = {0xCC, 0xFD, 0xBF, 0xFA, 0xBD, 0xEE, 0x23};

// Pieces after the first few find no new path through the reader (each
// piece is a wait for more, a quiet, a bound or the end) and cost their
// pauses: input bytes past them are not used.
constexpr int kMaxPieces = 4;

struct Piece {
  Bytes bytes;
  std::chrono::microseconds pause;
};

void Check(bool holds) {
  if (!holds) std::abort();
}

bool SameBytes(const unsigned char* a, const unsigned char* b, std::size_t count) {
  return std::equal(a, a + count, b);
}

bool AwaitsItsClosingByte(const Bytes& command) {
  if (command[0] == 0xBF) return false;
  return !(command[0] == 0xFA && command.size() >= 2 && (command[1] == 0xF2 || command[1] == 0xF3));
}

// The framing's promise over everything the peer sent, in order.
void CheckFraming(const Bytes& command, const Bytes& stream, int32_t count) {
  const auto echo = std::find(stream.begin(), stream.end(), command[0]);
  const auto before = static_cast<std::size_t>(echo - stream.begin());
  if (lineExchange.echoed) {
    const auto at = static_cast<std::size_t>(lineExchange.droppedCount);
    Check(echo != stream.end() && at >= before && at < stream.size() && stream[at] == command[0]);
    Check(SameBytes(lineExchange.dropped, stream.data(), std::min(at, kBufferSize)));
    if (count > 0) Check(at + static_cast<std::size_t>(count) <= stream.size());
    if (count > 0) Check(SameBytes(Buffer, stream.data() + at, static_cast<std::size_t>(count)));
    // Bytes equal to the echo were stray only before a whole reply.
    if (at == before) return;
    Check(AwaitsItsClosingByte(command) && !lineExchange.cutShort && count > 0 && Buffer[count - 1] == 0x0D);
    Check(static_cast<std::size_t>(count) > command.size() && SameBytes(Buffer, command.data(), command.size()));
    return;
  }
  // No echo within the first-byte bound: the reply is what came, from the
  // first byte on (BF's are dropped instead).
  if (count <= 0) return;
  Check(command[0] != 0xBF && lineExchange.droppedCount == 0);
  Check(static_cast<std::size_t>(count) <= stream.size());
  Check(SameBytes(Buffer, stream.data(), static_cast<std::size_t>(count)));
}

// The command's own reply after stray bytes is the reply, whole, and the
// stray bytes are dropped: unless one of them holds 0x0D, when they may end
// a reply of the command's form themselves. Replies read until the line is
// quiet (status, configuration) are not of a fixed form.
void CheckOwnReply(const Bytes& command, const Bytes& strays, int32_t count) {
  const bool fixedForm = command[0] != 0xCC && command[0] != 0xFD && AwaitsItsClosingByte(command);
  if (!fixedForm || std::find(strays.begin(), strays.end(), 0x0D) != strays.end()) return;
  // An echo later than its bound (a loaded machine) leaves what came as it came.
  if (!lineExchange.echoed) return;
  Check(!lineExchange.cutShort);
  Check(static_cast<std::size_t>(count) == command.size() + 1 && SameBytes(Buffer, command.data(), command.size()));
  Check(Buffer[count - 1] == 0x0D);
  Check(static_cast<std::size_t>(lineExchange.droppedCount) == strays.size());
  Check(SameBytes(lineExchange.dropped, strays.data(), strays.size()));
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  FuzzedDataProvider input(data, size);
  ResetSerialState();
  Bytes command{input.PickValueInArray(kFirstBytes)};
  const int length = input.ConsumeIntegralInRange(1, kMaxCommandLength);
  while (static_cast<int>(command.size()) < length) command.push_back(input.ConsumeIntegral<uint8_t>());
  const bool ownReply = input.ConsumeBool();
  const int32_t extraLength = ownReply ? 0 : input.ConsumeIntegralInRange<int32_t>(-2, 40);
  Bytes strays = input.ConsumeBytes<unsigned char>(input.ConsumeIntegralInRange(0, 3));
  for (unsigned char& stray : strays) {
    if (input.ConsumeBool()) stray = command[0];
  }
  Bytes stream = strays;
  std::vector<Piece> answer;
  if (ownReply) {
    Bytes reply = command;
    reply.push_back(0x0D);
    stream.insert(stream.end(), reply.begin(), reply.end());
    // The whole answer, cut at arbitrary places.
    for (std::size_t from = 0; from < stream.size();) {
      const std::size_t to = answer.size() + 1 >= kMaxPieces
                                 ? stream.size()
                                 : input.ConsumeIntegralInRange<std::size_t>(from + 1, stream.size());
      const auto pause = std::chrono::microseconds(answer.empty() ? 0 : input.ConsumeIntegralInRange(0, 3000));
      answer.push_back({Bytes(stream.begin() + from, stream.begin() + to), pause});
      from = to;
    }
  } else {
    if (input.ConsumeBool()) stream.insert(stream.end(), command.begin(), command.end());
    answer.push_back({stream, {}});
    for (int i = 0; i < kMaxPieces && input.remaining_bytes() > 0; ++i) {
      const auto pause = std::chrono::microseconds(input.ConsumeIntegralInRange(0, 3000));
      answer.push_back({input.ConsumeBytes<unsigned char>(input.ConsumeIntegralInRange(1, 64)), pause});
      stream.insert(stream.end(), answer.back().bytes.begin(), answer.back().bytes.end());
    }
  }

  PtyPeer peer;
  std::strcpy(bsdPath, peer.path().c_str());
  if (OpenPort() < 0) return 0;
  std::memcpy(mycomm, command.data(), command.size());
  mycomm[command.size()] = 0x0A;
  std::atomic<bool> over{false};
  std::thread controller([&] {
    peer.receive(command.size(), std::chrono::milliseconds(500));
    // Pieces after the transaction ended would reach nobody: the next input
    // starts at once.
    for (const Piece& piece : answer) {
      if (over) break;
      std::this_thread::sleep_for(piece.pause);
      if (!piece.bytes.empty()) peer.send(piece.bytes);
    }
    // The command's own reply is left to be read whole before the hang-up,
    // which drops what the line still holds.
    const auto giveUp = std::chrono::steady_clock::now() + std::chrono::seconds(2);
    while (ownReply && !over && std::chrono::steady_clock::now() < giveUp) {
      std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    // Ends every wait of the transaction at once.
    peer.hangUp();
  });
  const int32_t count = Communicate(length, extraLength);
  over = true;
  controller.join();
  ClosePort();

  Check(count >= -1 && count <= static_cast<int32_t>(kBufferSize));
  if (command[0] == 0xBF && count > 0) Check(Buffer[0] == 0xBF);
  CheckFraming(command, stream, count);
  if (ownReply) CheckOwnReply(command, strays, count);
  return 0;
}
