// The settings a status reply carries, as far as they were received.
#pragma once

#include <span>

class StatusBytes {
 public:
  // reply: the bytes received, the echoed 0xCC first. A final 0x0D is the
  // closing byte and holds no setting.
  explicit StatusBytes(std::span<const unsigned char> reply);

  // Whether positions first to first + count - 1 all hold received settings.
  bool has(int first, int count = 1) const;
  // The byte at a position has() confirmed; 0 anywhere else.
  unsigned char at(int position) const;

 private:
  std::span<const unsigned char> reply_;
  int end_ = 0;  // one past the last setting
};
