#include "status_layout.h"

#include <cstddef>
#include <utility>

#include "protocol_codes.h"

namespace emulator {

namespace {

class StatusWriter {
 public:
  StatusWriter(const ControllerSetup& setup, const ControllerState& state) : setup_(setup), state_(state) {}

  void wheel(Device wheel) {
    const bool isB = wheel == Device::kWheelB;
    if (!setup_.connected(wheel)) {
      put(isB ? code::kWheelBNotConnected : code::kWheelNotConnected);
      return;
    }
    const uint8_t b = code::WheelByte(state_.wheels[WheelIndex(wheel)]);
    put(isB ? static_cast<uint8_t>(b | code::kWheelBFlag) : b);
  }

  void shutterState(Device shutter) { put(code::StateByte(shutter, setting(shutter).state)); }

  // Mode byte, the shutter number on two-shutter variants, then the step
  // count in neutral density. False when the shutter is not connected.
  bool shutterMode(Device shutter) {
    const bool connected = setup_.connected(shutter);
    const ShutterSetting& s = setting(shutter);
    put(connected ? code::ModeByte(s.mode) : code::kShutterNotConnected);
    if (setup_.twoShutters()) skipped(code::ShutterNumber(shutter));
    if (connected && s.mode == ShutterMode::kNeutralDensity) put(s.steps);
    return connected;
  }

  void timeBlock(const TimeBlock& block) { out_.insert(out_.end(), block.begin(), block.end()); }

  void put(uint8_t b) { out_.push_back(b); }

  // A place the layout skips: documented holds what the controller is
  // documented to send there.
  void skipped(uint8_t documented) { put(setup_.skippedByte.value_or(documented)); }

  std::vector<uint8_t> take() { return std::move(out_); }

 private:
  const ShutterSetting& setting(Device shutter) const { return state_.shutters[ShutterIndex(shutter)]; }

  const ControllerSetup& setup_;
  const ControllerState& state_;
  std::vector<uint8_t> out_;
};

void WriteTriad(StatusWriter& w) {
  w.wheel(Device::kWheelA);
  w.wheel(Device::kWheelB);
  w.skipped(code::kSkippedPlace);
  w.wheel(Device::kWheelC);
  w.shutterState(Device::kShutterA);
  w.shutterState(Device::kShutterB);
  w.shutterMode(Device::kShutterA);
  w.shutterMode(Device::kShutterB);
}

void WriteDuoWheelShutter(StatusWriter& w) {
  w.wheel(Device::kWheelA);
  w.shutterState(Device::kShutterA);
  w.shutterMode(Device::kShutterA);
}

void WriteDuoShutterShutter(StatusWriter& w) {
  w.shutterState(Device::kShutterA);
  w.shutterState(Device::kShutterB);
  w.shutterMode(Device::kShutterA);
  w.shutterMode(Device::kShutterB);
}

void WriteMono(StatusWriter& w, const ControllerState& state) {
  w.shutterState(Device::kShutterA);
  if (!w.shutterMode(Device::kShutterA)) return;
  w.skipped(code::kSkippedPlace);
  w.put(state.ttlIn);
  w.put(state.ttlOut);
  w.timeBlock(state.closedTime);
  w.timeBlock(state.exposureTime);
  w.put(state.freeRun);
  w.put(static_cast<uint8_t>(state.repeatNumber >> 8));
  w.put(static_cast<uint8_t>(state.repeatNumber & 0xFF));
}

}  // namespace

std::vector<uint8_t> StatusAnswer(const ControllerSetup& setup, const ControllerState& state) {
  StatusWriter w(setup, state);
  switch (setup.variant) {
    case Variant::kTriad:
      WriteTriad(w);
      break;
    case Variant::kDuoWheelShutter:
      WriteDuoWheelShutter(w);
      break;
    case Variant::kDuoShutterShutter:
      WriteDuoShutterShutter(w);
      break;
    case Variant::kMono:
      WriteMono(w, state);
      break;
  }
  return w.take();
}

}  // namespace emulator
