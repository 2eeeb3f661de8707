#include "encoder_test.h"

#include <cstdio>

#include "serial_state.h"

std::string SentBytes(const Cycle& cycle) {
  if (cycle.commandLength < 0 || cycle.commandLength > kMaxCommandLength) return "?";
  std::string hex;
  for (int i = 0; i < cycle.commandLength; ++i) {
    char digits[4];
    std::snprintf(digits, sizeof digits, "%02X", mycomm[i]);
    if (!hex.empty()) hex += ' ';
    hex += digits;
  }
  return hex;
}

void ExpectOutcome(Encoding result, const Cycle& cycle, const Expected& want) {
  if (!want.message.empty()) {
    EXPECT_EQ(result, Encoding::kRefused);
    EXPECT_EQ(cycle.logText, want.message);
    EXPECT_EQ(cycle.commandLength, 0);
  } else if (want.bytes.empty()) {
    EXPECT_EQ(result, Encoding::kNothing);
    EXPECT_EQ(cycle.logText, "");
    EXPECT_EQ(cycle.commandLength, 0);
  } else {
    EXPECT_EQ(result, Encoding::kReady);
    EXPECT_EQ(SentBytes(cycle), want.bytes);
    EXPECT_EQ(cycle.logText, "");
  }
  EXPECT_EQ(cycle.extraLength, want.extraLength);
}

void PrintTo(Encoding encoding, std::ostream* os) {
  switch (encoding) {
    case Encoding::kNothing:
      *os << "nothing";
      break;
    case Encoding::kReady:
      *os << "ready";
      break;
    case Encoding::kRefused:
      *os << "refused";
      break;
  }
}
