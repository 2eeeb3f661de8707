#include "system_error_text.h"

#include <cerrno>
#include <system_error>

namespace emulator {

std::string SystemErrorText(const std::string& operation) {
  const int error = errno;
  return operation + " failed - " + std::generic_category().message(error) + "(" + std::to_string(error) + ")";
}

}  // namespace emulator
