// The transaction against a peer that answers with arbitrary bytes, in
// arbitrary pieces and pauses, and then hangs up.
#include <fuzzer/FuzzedDataProvider.h>

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

struct Piece {
  Bytes bytes;
  std::chrono::microseconds pause;
};

void Check(bool holds) {
  if (!holds) std::abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  FuzzedDataProvider input(data, size);
  ResetSerialState();
  Bytes command{input.PickValueInArray(kFirstBytes)};
  const int length = input.ConsumeIntegralInRange(1, kMaxCommandLength);
  while (static_cast<int>(command.size()) < length) command.push_back(input.ConsumeIntegral<uint8_t>());
  const int32_t extraLength = input.ConsumeIntegralInRange<int32_t>(-2, 40);
  std::vector<Piece> answer;
  while (input.remaining_bytes() > 0) {
    const auto pause = std::chrono::microseconds(input.ConsumeIntegralInRange(0, 3000));
    answer.push_back({input.ConsumeBytes<unsigned char>(input.ConsumeIntegralInRange(1, 64)), pause});
  }

  PtyPeer peer;
  std::strcpy(bsdPath, peer.path().c_str());
  if (OpenPort() < 0) return 0;
  std::memcpy(mycomm, command.data(), command.size());
  mycomm[command.size()] = 0x0A;
  std::thread controller([&] {
    peer.receive(command.size(), std::chrono::milliseconds(500));
    for (const Piece& piece : answer) {
      std::this_thread::sleep_for(piece.pause);
      peer.send(piece.bytes);
    }
    // Ends every wait of the transaction at once.
    peer.hangUp();
  });
  const int32_t count = Communicate(length, extraLength);
  controller.join();
  ClosePort();

  Check(count >= -1 && count <= static_cast<int32_t>(kBufferSize));
  if (command[0] == 0xBF && count > 0) Check(Buffer[0] == 0xBF);
  return 0;
}
