#include "line_pacer.h"

#include <algorithm>

namespace emulator {

namespace {

// A start bit, eight data bits and a stop bit.
constexpr long long kBitsPerByte = 10;

LinePacer::Clock::duration ByteTime(int baud) {
  if (baud <= 0) return LinePacer::Clock::duration::zero();
  const auto perByte = std::chrono::nanoseconds(kBitsPerByte * 1'000'000'000LL / baud);
  return std::chrono::duration_cast<LinePacer::Clock::duration>(perByte);
}

}  // namespace

LinePacer::LinePacer(int baud) : byteTime_(ByteTime(baud)) {}

LinePacer::Clock::time_point LinePacer::nextByte(Clock::time_point ready) {
  lineFree_ = std::max(lineFree_, ready) + byteTime_;
  return lineFree_;
}

void LinePacer::delay(Clock::time_point ready, Clock::duration pause) {
  lineFree_ = std::max(lineFree_, ready) + pause;
}

}  // namespace emulator
