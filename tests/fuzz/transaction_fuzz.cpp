// The transaction against a peer that answers with arbitrary bytes, in
// arbitrary pieces and pauses, perhaps after stray bytes and perhaps opening
// with the command's echo, and then hangs up. Whatever came, the reply is a
// stretch of what the peer sent that begins at the echo when an echo came,
// and the bytes dropped are exactly those before it.
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

// The framing's promise over everything the peer sent, in order.
void CheckFraming(const Bytes& command, const Bytes& stream, int32_t count) {
  const auto echo = std::find(stream.begin(), stream.end(), command[0]);
  const auto before = static_cast<std::size_t>(echo - stream.begin());
  if (lineExchange.echoed) {
    Check(echo != stream.end());
    Check(static_cast<std::size_t>(lineExchange.droppedCount) == before);
    Check(SameBytes(lineExchange.dropped, stream.data(), std::min(before, kBufferSize)));
    if (count > 0) Check(before + static_cast<std::size_t>(count) <= stream.size());
    if (count > 0) Check(SameBytes(Buffer, stream.data() + before, static_cast<std::size_t>(count)));
    return;
  }
  // No echo within the first-byte bound: the reply is what came, from the
  // first byte on (BF's are dropped instead).
  if (count <= 0) return;
  Check(command[0] != 0xBF && lineExchange.droppedCount == 0);
  Check(static_cast<std::size_t>(count) <= stream.size());
  Check(SameBytes(Buffer, stream.data(), static_cast<std::size_t>(count)));
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  FuzzedDataProvider input(data, size);
  ResetSerialState();
  Bytes command{input.PickValueInArray(kFirstBytes)};
  const int length = input.ConsumeIntegralInRange(1, kMaxCommandLength);
  while (static_cast<int>(command.size()) < length) command.push_back(input.ConsumeIntegral<uint8_t>());
  const int32_t extraLength = input.ConsumeIntegralInRange<int32_t>(-2, 40);
  Bytes stream = input.ConsumeBytes<unsigned char>(input.ConsumeIntegralInRange(0, 3));
  if (input.ConsumeBool()) stream.insert(stream.end(), command.begin(), command.end());
  std::vector<Piece> answer{{stream, {}}};
  for (int i = 0; i < kMaxPieces && input.remaining_bytes() > 0; ++i) {
    const auto pause = std::chrono::microseconds(input.ConsumeIntegralInRange(0, 3000));
    answer.push_back({input.ConsumeBytes<unsigned char>(input.ConsumeIntegralInRange(1, 64)), pause});
    stream.insert(stream.end(), answer.back().bytes.begin(), answer.back().bytes.end());
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
  return 0;
}
