// Where a line's bytes come from and go to. The transaction and the open
// work on a descriptor and never know what stands behind it: a serial
// device (a USB adapter, an emulator's pseudo-terminal) or a network line to
// a serial device server. Each open line has one stream, kept here under
// its descriptor from its open to its close; a descriptor not kept here is
// taken for a device.
#pragma once

#include <sys/types.h>

#include <cstddef>
#include <memory>

#include "line_timing.h"

enum class LineEvent { kBytes, kTimeout, kHangUp };

// How a watch that waits on the descriptor while no transaction runs learns
// that the line went away: a terminal reports its hang-up as an exception,
// a socket its closed connection as readable.
enum class GoneSignal { kException, kReadable };

class LineStream {
 public:
  virtual ~LineStream() = default;

  // Waits until a byte is waiting, the deadline passes, or the line is gone.
  virtual LineEvent waitForBytes(LineClock::time_point deadline) = 0;
  // Reads what is waiting, at most room bytes; -1 when the line failed or
  // nothing was waiting after all.
  virtual int readWaiting(unsigned char* destination, int room) = 0;
  // Waits until the line takes output; false at the deadline or when gone.
  virtual bool waitWritable(LineClock::time_point deadline) = 0;
  // As write(2) on a non-blocking descriptor: the bytes taken, or -1 with errno.
  virtual ssize_t writeSome(const unsigned char* bytes, std::size_t count) = 0;
  // Whether the line is gone now, without waiting.
  virtual bool goneNow() = 0;
  // Drops the bytes that arrived before a command is sent.
  virtual void discardStaleInput() = 0;
  virtual GoneSignal goneSignal() const = 0;
};

// Keeps the stream of the line open on fd, until DropStream(fd).
void KeepStream(int fd, std::unique_ptr<LineStream> stream);
void DropStream(int fd);
// The stream of the line open on fd; a device's for a descriptor not kept.
LineStream& StreamOf(int fd);
// Whether fd is a network line's.
bool IsNetworkLine(int fd);
