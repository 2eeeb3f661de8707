// A serial device's bytes: a terminal descriptor, non-blocking, whose
// received bytes the kernel counts (FIONREAD) and whose going away shows as
// a hang-up.
#pragma once

#include "line_stream.h"

class DeviceStream : public LineStream {
 public:
  explicit DeviceStream(int fd) : fd_(fd) {}

  LineEvent waitForBytes(LineClock::time_point deadline) override;
  int readWaiting(unsigned char* destination, int room) override;
  bool waitWritable(LineClock::time_point deadline) override;
  ssize_t writeSome(const unsigned char* bytes, std::size_t count) override;
  bool goneNow() override;
  void discardStaleInput() override;
  GoneSignal goneSignal() const override { return GoneSignal::kException; }

 private:
  int fd_;
};
