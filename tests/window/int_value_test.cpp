#include "int_value.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <limits>
#include <string>

namespace {

constexpr int32_t kMax = std::numeric_limits<int32_t>::max();
constexpr int32_t kMin = std::numeric_limits<int32_t>::min();

struct IntValueCase {
  std::string text;
  int32_t expected;
};

class IntValueTest : public ::testing::TestWithParam<IntValueCase> {};

TEST_P(IntValueTest, ReadsTheLeadingInteger) {
  EXPECT_EQ(intValue(GetParam().text), GetParam().expected) << '"' << GetParam().text << '"';
}

INSTANTIATE_TEST_SUITE_P(
    Texts, IntValueTest,
    ::testing::Values(IntValueCase{"", 0}, IntValueCase{"   ", 0}, IntValueCase{"42", 42},
                      IntValueCase{"  42", 42}, IntValueCase{"\t7", 7}, IntValueCase{"42 ", 42},
                      IntValueCase{"12abc", 12}, IntValueCase{"3.9", 3}, IntValueCase{"007", 7},
                      IntValueCase{"+5", 5}, IntValueCase{"-5", -5}, IntValueCase{"  -17x", -17},
                      IntValueCase{"-", 0}, IntValueCase{"+", 0}, IntValueCase{"- 5", 0},
                      IntValueCase{"--5", 0}, IntValueCase{"abc", 0}, IntValueCase{"x12", 0},
                      IntValueCase{"Continuous", 0}, IntValueCase{"2147483647", kMax},
                      IntValueCase{"2147483648", kMax}, IntValueCase{"99999999999", kMax},
                      IntValueCase{"-2147483648", kMin}, IntValueCase{"-2147483649", kMin},
                      IntValueCase{"-99999999999999999999999999", kMin},
                      IntValueCase{"000000000000000000000000000012", 12}));

}  // namespace
