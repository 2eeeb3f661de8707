#include "status_json.h"

#include <cstdio>
#include <map>
#include <optional>

#include "cycle_state.h"
#include "status_bytes.h"
#include "status_layouts.h"

namespace {

// Codes as the status reply carries them.
constexpr unsigned char kWheelNotConnected = 0x0A;
constexpr unsigned char kWheelBNotConnected = 0x8A;
constexpr int kWheelBFlag = 0x80;
constexpr unsigned char kShutterNotConnected = 0xDB;
constexpr unsigned char kFast = 0xDC;
constexpr unsigned char kNeutralDensity = 0xDE;
constexpr unsigned char kShutterAClosed = 0xAC;
constexpr unsigned char kShutterBClosed = 0xBC;
constexpr int kShutterAStateBase = 0xA9;
constexpr int kShutterBStateBase = 0xB9;
constexpr int kTimeBlockLength = 5;
constexpr int kClosedTimeBase = 0x10;
constexpr int kExposureTimeBase = 0x20;
// Repeat numbers above this mean a free run without end.
constexpr int kMaxRepeatCount = 65000;

struct CodeName {
  unsigned char code;
  const char* name;
};

// The second bytes of the FA commands that set them; any other code reads as
// disabled, as the report says.
constexpr CodeName kTtlIn[] = {{0xA1, "high"}, {0xA2, "low"}, {0xA3, "rising"}, {0xA4, "falling"}};
constexpr CodeName kTtlOut[] = {{0xB1, "high"}, {0xB2, "low"}};
constexpr CodeName kFreeRun[] = {{0xF1, "power-on"}, {0xF2, "trigger"}, {0xF3, "go"}};
constexpr char kDisabled[] = "disable";

std::string Quoted(const char* text) { return std::string("\"") + text + "\""; }

template <typename... Args>
std::string Format(const char* format, Args... args) {
  char text[160];
  const int written = std::snprintf(text, sizeof text, format, args...);
  return written < 0 ? std::string() : std::string(text);
}

const char* NameOf(unsigned char code, std::span<const CodeName> names) {
  for (const CodeName& entry : names) {
    if (entry.code == code) return entry.name;
  }
  return kDisabled;
}

// The settings received so far, each already written as JSON.
struct Decoded {
  std::map<char, std::string> wheels;
  std::map<char, std::string> shutters;
  std::map<char, int> shutterStates;
  std::string mono;  // ", \"ttlIn\": ..." members in report order
  bool complete = true;
  int shift = 0;
};

char Letter(int index) { return static_cast<char>('A' + index); }

bool DecodeWheel(const StatusField& field, const StatusBytes& reply, Decoded& d) {
  const int at = field.position + d.shift;
  if (!reply.has(at)) return false;
  const unsigned char b = reply.at(at);
  const bool wheelB = field.wheel == kWheelB;
  if (b == (wheelB ? kWheelBNotConnected : kWheelNotConnected)) {
    d.wheels[Letter(field.wheel)] = "null";
    return true;
  }
  // Wheel B's byte carries 0x80 on top; the report reads it in signed
  // arithmetic, and so does this.
  const int v = wheelB ? b - kWheelBFlag : b;
  const int speed = wheelB ? v / 16 : b >> 4;
  const int filter = wheelB ? v - 16 * speed : b & 0x0F;
  d.wheels[Letter(field.wheel)] = Format("{\"filter\": %d, \"speed\": %d}", filter, speed);
  return true;
}

bool DecodeState(const StatusField& field, const StatusBytes& reply, Decoded& d) {
  const int at = field.position + d.shift;
  if (!reply.has(at)) return false;
  const unsigned char b = reply.at(at);
  const bool a = field.shutter == Shutter::kA;
  const int state = b == (a ? kShutterAClosed : kShutterBClosed) ? 0 : b - (a ? kShutterAStateBase : kShutterBStateBase);
  d.shutterStates[a ? 'A' : 'B'] = state;
  return true;
}

const char* StateName(int state) { return state == 0 ? "closed" : state == 1 ? "open" : "conditional"; }

// 0 decoded, 1 not received, 2 the last field of the report.
int DecodeMode(const StatusField& field, const StatusBytes& reply, Decoded& d) {
  const int at = field.position + d.shift;
  if (!reply.has(at)) return 1;
  const unsigned char m = reply.at(at);
  const char letter = field.shutter == Shutter::kA ? 'A' : 'B';
  if (m == kShutterNotConnected) {
    d.shutters[letter] = "null";
    return field.lastIfNotConnected ? 2 : 0;
  }
  const int stepsAt = at + field.stepsOffset;
  if (m == kNeutralDensity && !reply.has(stepsAt)) return 1;
  const int steps = m == kNeutralDensity ? reply.at(stepsAt) : 0;
  if (m == kNeutralDensity && field.shiftsLater) d.shift = 1;
  const char* mode = m == kFast ? "fast" : m == kNeutralDensity ? "nd" : "soft";
  const auto state = d.shutterStates.find(letter);
  const std::string stateText = state == d.shutterStates.end() ? "null" : Quoted(StateName(state->second));
  d.shutters[letter] = Format("{\"state\": %s, \"mode\": \"%s\", \"steps\": %d}", stateText.c_str(), mode, steps);
  return 0;
}

bool DecodeTime(const char* key, int at, int hourBase, const StatusBytes& reply, Decoded& d) {
  if (!reply.has(at, kTimeBlockLength)) return false;
  const unsigned char hourByte = reply.at(at);
  const unsigned char digits = reply.at(at + 3);
  const unsigned char lastDigits = reply.at(at + 4);
  d.mono += Format(", \"%s\": {\"hours\": %d, \"minutes\": %d, \"seconds\": %d, \"milliseconds\": %d, \"tenths\": %d}",
                   key, hourByte == 0 ? 0 : hourByte - hourBase, reply.at(at + 1), reply.at(at + 2),
                   100 * (digits >> 4) + 10 * (digits & 0x0F) + (lastDigits >> 4), lastDigits & 0x0F);
  return true;
}

bool DecodeMono(const StatusField& field, const StatusBytes& reply, Decoded& d) {
  const int at = field.position + d.shift;
  switch (field.kind) {
    case FieldKind::kTtlIn:
      if (!reply.has(at)) return false;
      d.mono += ", \"ttlIn\": " + Quoted(NameOf(reply.at(at), kTtlIn));
      return true;
    case FieldKind::kTtlOut:
      if (!reply.has(at)) return false;
      d.mono += ", \"ttlOut\": " + Quoted(NameOf(reply.at(at), kTtlOut));
      return true;
    case FieldKind::kFreeRun:
      if (!reply.has(at)) return false;
      d.mono += ", \"freeRun\": " + Quoted(NameOf(reply.at(at), kFreeRun));
      return true;
    case FieldKind::kClosedTime:
      return DecodeTime("closedTime", at, kClosedTimeBase, reply, d);
    case FieldKind::kExposureTime:
      return DecodeTime("exposureTime", at, kExposureTimeBase, reply, d);
    case FieldKind::kRepeatNumber: {
      if (!reply.has(at, 2)) return false;
      const int repeat = 256 * reply.at(at) + reply.at(at + 1);
      d.mono += repeat > kMaxRepeatCount ? std::string(", \"repeat\": \"continuous\"") : Format(", \"repeat\": %d", repeat);
      return true;
    }
    default:
      return true;
  }
}

// 0 decoded, 1 not received, 2 the last field of the report.
int DecodeField(const StatusField& field, const StatusBytes& reply, Decoded& d) {
  switch (field.kind) {
    case FieldKind::kWheel:
      return DecodeWheel(field, reply, d) ? 0 : 1;
    case FieldKind::kState:
      return DecodeState(field, reply, d) ? 0 : 1;
    case FieldKind::kMode:
      return DecodeMode(field, reply, d);
    default:
      return DecodeMono(field, reply, d) ? 0 : 1;
  }
}

// Devices the variant has are listed when received; devices it lacks are null.
std::string Devices(const std::map<char, std::string>& received, int count, const std::map<char, bool>& has) {
  std::string text = "{";
  for (int i = 0; i < count; ++i) {
    const char letter = Letter(i);
    std::optional<std::string> value;
    if (received.count(letter) != 0) {
      value = received.at(letter);
    } else if (!has.at(letter)) {
      value = "null";
    }
    if (!value) continue;
    if (text.size() > 1) text += ", ";
    text += Format("\"%c\": ", letter) + *value;
  }
  return text + "}";
}

}  // namespace

std::string StatusJson(std::span<const unsigned char> reply, int32_t variant) {
  Decoded d;
  std::map<char, bool> hasWheel = {{'A', false}, {'B', false}, {'C', false}};
  std::map<char, bool> hasShutter = {{'A', false}, {'B', false}};
  const bool known = variant != kUnknown;
  if (known) {
    const StatusBytes bytes(reply);
    for (const StatusField& field : StatusLayoutOf(variant).fields) {
      if (field.kind == FieldKind::kWheel) hasWheel[Letter(field.wheel)] = true;
      if (field.kind == FieldKind::kState) hasShutter[field.shutter == Shutter::kA ? 'A' : 'B'] = true;
    }
    for (const StatusField& field : StatusLayoutOf(variant).fields) {
      const int outcome = DecodeField(field, bytes, d);
      if (outcome == 2) break;
      if (outcome == 1) {
        d.complete = false;
        break;
      }
    }
    // A shutter whose state came but whose mode did not.
    for (const auto& [letter, state] : d.shutterStates) {
      if (d.shutters.count(letter) == 0) d.shutters[letter] = Format("{\"state\": \"%s\"}", StateName(state));
    }
  } else {
    // A reply too short to tell the controller holds no setting to read.
    return "{\"variant\": \"unknown\", \"complete\": false}\n";
  }
  std::string json = "{\"variant\": " + Quoted(VariantName(variant));
  json += ", \"wheels\": " + Devices(d.wheels, 3, hasWheel);
  json += ", \"shutters\": " + Devices(d.shutters, 2, hasShutter);
  json += d.mono;
  json += std::string(", \"complete\": ") + (d.complete ? "true" : "false") + "}\n";
  return json;
}
