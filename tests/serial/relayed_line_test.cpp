// The console's port behind a relay that adds and cuts bytes of the
// controller's replies, as a glitching line does.
#include <gtest/gtest.h>

#include <cstring>
#include <thread>

#include "port_setup.h"
#include "pty_peer.h"
#include "pty_relay.h"
#include "serial_state.h"
#include "transaction.h"

namespace {

using Way = PtyRelay::Way;

struct Relayed {
  Bytes reply;
  Bytes dropped;
};

Relayed Exchange(unsigned char command) {
  mycomm[0] = command;
  mycomm[1] = 0x0A;
  const int32_t count = Communicate(1, 0);
  return {Bytes(Buffer, Buffer + std::max(count, 0)),
          Bytes(lineExchange.dropped, lineExchange.dropped + lineExchange.droppedCount)};
}

// The relay touches only the replies it is told of: a stray byte before the
// first reply's echo, the second reply cut whole, the third as it came.
TEST(RelayedLine, AddsAndCutsOnlyTheRepliesItIsToldOf) {
  ResetSerialState();
  PtyPeer controller;
  PtyRelay relay(controller.path());
  relay.injectBeforeReply({0xEF, 1}, {0x55});
  relay.cutReply({0xEF, 2}, 0);
  std::strcpy(bsdPath, relay.path().c_str());
  ASSERT_GE(OpenPort(), 0);
  std::thread player([&] {
    for (int i = 0; i < 3; ++i) {
      if (controller.receive(1, kPlayerDeadline) == Bytes{0xEF}) controller.send({0xEF, 0x0D});
    }
  });
  const Relayed first = Exchange(0xEF);
  const Relayed second = Exchange(0xEF);
  const Relayed third = Exchange(0xEF);
  player.join();
  ClosePort();

  EXPECT_EQ(first.reply, (Bytes{0xEF, 0x0D}));
  EXPECT_EQ(first.dropped, (Bytes{0x55}));
  EXPECT_EQ(second.reply, Bytes{});
  EXPECT_EQ(third.reply, (Bytes{0xEF, 0x0D}));
  EXPECT_EQ(third.dropped, Bytes{});
  EXPECT_EQ(relay.heard(Way::kToController), (Bytes{0xEF, 0xEF, 0xEF}));
  EXPECT_EQ(relay.passed(Way::kToController), (Bytes{0xEF, 0xEF, 0xEF}));
  EXPECT_EQ(relay.heard(Way::kToClient), (Bytes{0xEF, 0x0D, 0xEF, 0x0D, 0xEF, 0x0D}));
  EXPECT_EQ(relay.passed(Way::kToClient), (Bytes{0x55, 0xEF, 0x0D, 0xEF, 0x0D}));
}

}  // namespace
