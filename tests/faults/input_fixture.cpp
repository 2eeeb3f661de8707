#include "input_fixture.h"

void InputTest::Prepare(const std::vector<Step>& steps) {
  for (const Step& step : steps) {
    step.operatorDoes(w);
    Bytes reply = step.sent;
    reply.push_back(0x0D);
    ASSERT_EQ(Send(), Logged(reply));
    ASSERT_EQ(TakeReceived(), step.sent);
  }
}

void InputTest::ExpectCycle(const Outcome& outcome) {
  Bytes reply = outcome.sent;
  if (!reply.empty()) reply.push_back(0x0D);
  EXPECT_EQ(Send(), outcome.message + Logged(reply));
  EXPECT_EQ(TakeReceived(), outcome.sent);
}
