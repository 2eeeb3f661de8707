#pragma once

#include <cstdint>

// Sends the first commandLength bytes of mycomm and reads the controller's
// reply into Buffer. extraLength is the number of answer bytes after the echo,
// not counting the closing byte. Returns the number of reply bytes now at the
// start of Buffer: 0 when nothing arrived (Buffer unchanged), negative when the
// port failed before any byte arrived.
int32_t Communicate(int32_t commandLength, int32_t extraLength);
