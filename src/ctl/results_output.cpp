#include "results_output.h"

#include <fcntl.h>
#include <unistd.h>

FILE* SeparateResults() {
  const int results = fcntl(STDOUT_FILENO, F_DUPFD_CLOEXEC, STDERR_FILENO + 1);
  if (results < 0) return nullptr;
  if (dup2(STDERR_FILENO, STDOUT_FILENO) < 0) {
    close(results);
    return nullptr;
  }
  FILE* stream = fdopen(results, "w");
  if (stream == nullptr) close(results);
  return stream;
}

bool QuietDiagnostics() {
  std::fflush(stdout);
  const int nowhere = open("/dev/null", O_WRONLY | O_CLOEXEC);
  if (nowhere < 0) return false;
  const bool moved = dup2(nowhere, STDOUT_FILENO) >= 0;
  close(nowhere);
  return moved;
}
