// A full disk, played by a file size limit on this process and the programs
// it starts meanwhile: a write past the limit fails with EFBIG ("File too
// large") instead of ending the process, as SIGXFSZ is ignored. /dev/full
// cannot play it: a record or a CSV file on a device is refused.
#pragma once

#include <signal.h>
#include <sys/resource.h>

class FileSizeLimit {
 public:
  explicit FileSizeLimit(rlim_t bytes) {
    struct sigaction ignore {};
    ignore.sa_handler = SIG_IGN;
    sigemptyset(&ignore.sa_mask);
    ok_ = sigaction(SIGXFSZ, &ignore, &signal_) == 0 && getrlimit(RLIMIT_FSIZE, &before_) == 0;
    rlimit limit = before_;
    limit.rlim_cur = bytes;
    ok_ = ok_ && setrlimit(RLIMIT_FSIZE, &limit) == 0;
  }
  ~FileSizeLimit() {
    setrlimit(RLIMIT_FSIZE, &before_);
    sigaction(SIGXFSZ, &signal_, nullptr);
  }
  FileSizeLimit(const FileSizeLimit&) = delete;
  FileSizeLimit& operator=(const FileSizeLimit&) = delete;

  bool ok() const { return ok_; }

 private:
  bool ok_ = false;
  rlimit before_{};
  struct sigaction signal_ {};
};
