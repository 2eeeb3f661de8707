#pragma once

#include <string>

namespace emulator {

// "<operation> failed - <error text>(<errno>)" for the current errno.
std::string SystemErrorText(const std::string& operation);

}  // namespace emulator
