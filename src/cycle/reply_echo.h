// The log's view of a reply: one line per byte, its value in decimal and in
// hexadecimal.
#pragma once

#include <cstdint>
#include <string>

// "35         0x23\n": the gap narrows as the decimal value grows a digit.
std::string EchoLine(unsigned char byte);

// One EchoLine per byte of reply[0] to reply[length - 1], appended to logText.
void AppendReplyEcho(const unsigned char* reply, int32_t length, std::string& logText);
