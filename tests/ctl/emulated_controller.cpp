#include "emulated_controller.h"

#include <cstdio>

using emulator::ControllerSetup;
using emulator::ControllerState;
using emulator::Device;
using emulator::ShutterMode;
using emulator::ShutterState;
using emulator::Variant;

namespace {

emulator::EmulatorOptions OptionsOf(Variant variant, std::set<Device> notConnected, int baud) {
  emulator::EmulatorOptions options;
  options.variant = variant;
  options.notConnected = std::move(notConnected);
  options.baud = baud;
  return options;
}

}  // namespace

EmulatedController::EmulatedController(Variant variant, std::set<Device> notConnected, int baud)
    : EmulatedController(OptionsOf(variant, std::move(notConnected), baud)) {}

EmulatedController::EmulatedController(emulator::EmulatorOptions options)
    : variant_(options.variant), notConnected_(options.notConnected) {
  options.announce = false;
  server_ = std::make_unique<emulator::EmulatorServer>(options);
  ready_ = server_->start();
}

namespace {

std::string Printed(const char* format, int a, int b, int c = 0, int d = 0, int e = 0) {
  char text[200];
  std::snprintf(text, sizeof text, format, a, b, c, d, e);
  return text;
}

std::string Wheel(const ControllerSetup& setup, const ControllerState& state, Device wheel) {
  if (!setup.connected(wheel)) return "null";
  const auto& w = state.wheels[emulator::WheelIndex(wheel)];
  return Printed("{\"filter\": %d, \"speed\": %d}", w.filter, w.speed);
}

std::string Shutter(const ControllerSetup& setup, const ControllerState& state, Device shutter) {
  if (!setup.connected(shutter)) return "null";
  const auto& s = state.shutters[emulator::ShutterIndex(shutter)];
  const char* states[] = {"closed", "open", "conditional"};
  const char* modes[] = {"fast", "soft", "nd"};
  return std::string("{\"state\": \"") + states[static_cast<int>(s.state)] + "\", \"mode\": \"" +
         modes[static_cast<int>(s.mode)] + "\", \"steps\": " + std::to_string(s.steps) + "}";
}

std::string Time(const char* key, const emulator::TimeBlock& t, int base) {
  const int hours = t[0] == 0 ? 0 : t[0] - base;
  const int ms = 100 * (t[3] >> 4) + 10 * (t[3] & 0x0F) + (t[4] >> 4);
  return std::string(", \"") + key + "\": " +
         Printed("{\"hours\": %d, \"minutes\": %d, \"seconds\": %d, \"milliseconds\": %d, \"tenths\": %d}", hours, t[1],
                 t[2], ms, t[4] & 0x0F);
}

const char* CodeName(uint8_t code, uint8_t base, std::initializer_list<const char*> names) {
  const int index = code - base - 1;
  if (index < 0 || index >= static_cast<int>(names.size())) return "disable";
  return names.begin()[index];
}

std::string MonoFields(const ControllerState& s) {
  std::string text = std::string(", \"ttlIn\": \"") + CodeName(s.ttlIn, 0xA0, {"high", "low", "rising", "falling"}) + "\"";
  text += std::string(", \"ttlOut\": \"") + CodeName(s.ttlOut, 0xB0, {"high", "low"}) + "\"";
  text += Time("closedTime", s.closedTime, 0x10);
  text += Time("exposureTime", s.exposureTime, 0x20);
  text += std::string(", \"freeRun\": \"") + CodeName(s.freeRun, 0xF0, {"power-on", "trigger", "go"}) + "\"";
  text += s.repeatNumber > 65000 ? std::string(", \"repeat\": \"continuous\"")
                                 : ", \"repeat\": " + std::to_string(s.repeatNumber);
  return text;
}

const char* VariantKey(Variant v) {
  switch (v) {
    case Variant::kTriad:
      return "triad";
    case Variant::kDuoWheelShutter:
      return "duo-wheel-shutter";
    case Variant::kDuoShutterShutter:
      return "duo-shutter-shutter";
    default:
      return "mono";
  }
}

}  // namespace

std::string ExpectedJson(const ControllerSetup& setup, const ControllerState& state) {
  std::string json = std::string("{\"variant\": \"") + VariantKey(setup.variant) + "\"";
  json += ", \"wheels\": {\"A\": " + Wheel(setup, state, Device::kWheelA) + ", \"B\": " +
          Wheel(setup, state, Device::kWheelB) + ", \"C\": " + Wheel(setup, state, Device::kWheelC) + "}";
  json += ", \"shutters\": {\"A\": " + Shutter(setup, state, Device::kShutterA) + ", \"B\": " +
          Shutter(setup, state, Device::kShutterB) + "}";
  // The Mono's report ends where it tells its shutter is not connected.
  if (setup.variant == Variant::kMono && setup.connected(Device::kShutterA)) json += MonoFields(state);
  return json + ", \"complete\": true}\n";
}
