#include "status_bytes.h"

namespace {

constexpr unsigned char kClosingByte = 0x0D;

}  // namespace

StatusBytes::StatusBytes(std::span<const unsigned char> reply) : reply_(reply) {
  end_ = static_cast<int>(reply.size());
  if (end_ >= 2 && reply.back() == kClosingByte) --end_;
}

bool StatusBytes::has(int first, int count) const { return first >= 1 && count >= 0 && first <= end_ - count; }

unsigned char StatusBytes::at(int position) const {
  return has(position) ? reply_[static_cast<std::size_t>(position)] : 0;
}
