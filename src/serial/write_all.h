// Writing a whole text to a descriptor, however the kernel splits it.
#pragma once

#include <string>

// Writes all of text, again after a signal and after a short write; 0 or
// the error number (EIO when the descriptor took nothing).
int WriteAll(int fd, const std::string& text);
