#include "write_all.h"

#include <unistd.h>

#include <cerrno>

int WriteAll(int fd, const std::string& text) {
  std::size_t done = 0;
  while (done < text.size()) {
    const ssize_t wrote = write(fd, text.data() + done, text.size() - done);
    if (wrote < 0 && errno == EINTR) continue;
    if (wrote < 0) return errno;
    if (wrote == 0) return EIO;
    done += static_cast<std::size_t>(wrote);
  }
  return 0;
}
