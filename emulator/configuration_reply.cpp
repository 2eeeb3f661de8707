#include "configuration_reply.h"

#include <string_view>

namespace emulator {

namespace {

struct ConfigurationText {
  Variant variant;
  std::string_view text;
};

constexpr ConfigurationText kTexts[] = {
    {Variant::kTriad, "3W2S Triad controller fw 1.07"},
    {Variant::kDuoWheelShutter, "1W1S Duo 1.0"},
    {Variant::kDuoShutterShutter, "2S Duo fw 1.07"},
    {Variant::kMono, "Mono fw 1.07"},
};

}  // namespace

std::vector<uint8_t> ConfigurationAnswer(Variant variant) {
  for (const ConfigurationText& entry : kTexts) {
    if (entry.variant == variant) return {entry.text.begin(), entry.text.end()};
  }
  return {};
}

}  // namespace emulator
