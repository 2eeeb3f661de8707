// How long a status reply is, told by its own bytes while it arrives.
#pragma once

#include <span>
#include <string>

#include "cycle_state.h"

// received: the bytes so far, the echoed 0xCC first. The whole reply's byte
// count, closing 0x0D included, once these bytes decide it: the variant by
// bytes 1 and 2 as identification tells it, then the layout's fields, a
// neutral-density step count moving later fields one byte on. Only the
// fields are read: a skipped place (the Triad's byte 3, the shutter number's
// place after a mode byte, the Mono's byte before its trigger input) may hold
// any byte. 0 while they do not decide it yet, and for bytes that fit no
// layout (no 0xCC first, a mode byte of no known mode, a Triad reply whose
// wheel or shutter state fields hold no such code).
int StatusReplyLength(std::span<const unsigned char> received);

// The byte count of a status reply of variant whose shutters report no step
// count (each one that does adds a byte), echo and closing byte included; 0
// for no identified variant.
int PlainStatusReplyLength(int32_t variant);

// Why reply (the echoed 0xCC first) is not a status reply of variant, whole,
// to base a verdict on; empty when it is: StatusReplyLength tells its own
// length, its last byte is the closing 0x0D, bytes 1 and 2 name variant, and
// every wheel and shutter state field holds a code a controller sends there
// (a filter 0 to 9 at a speed 0 to 7 or the not-connected code; open, open
// conditional or closed). Its skipped places may hold anything.
std::string StatusReplyFault(Variant variant, std::span<const unsigned char> reply);
