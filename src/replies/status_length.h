// How long a status reply is, told by its own bytes while it arrives.
#pragma once

#include <span>

// received: the bytes so far, the echoed 0xCC first. The whole reply's byte
// count, closing 0x0D included, once these bytes decide it: the variant by
// bytes 1 and 2 as identification tells it, then the layout's fields, a
// neutral-density step count moving later fields one byte on. 0 while they do
// not decide it yet, and for bytes that fit no layout (no 0xCC first, a mode
// byte of no known mode, a Triad reply without its wheel C marker).
int StatusReplyLength(std::span<const unsigned char> received);
