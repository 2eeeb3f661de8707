#include "report_file.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <chrono>

#include "html_report.h"

namespace {

// Names are taken at random and made with O_EXCL; one that is there (a file,
// or a link another user planted in a shared folder) is passed over.
constexpr int kNameAttempts = 64;

std::string RandomSuffix() {
  static std::atomic<unsigned> counter{0};
  // The clock, the process and a count, spread over the bits by a large odd
  // factor: names that rarely meet, and O_EXCL makes a meeting harmless.
  auto mixed = static_cast<unsigned long long>(std::chrono::steady_clock::now().time_since_epoch().count());
  mixed ^= static_cast<unsigned long long>(getpid()) << 32;
  mixed ^= counter++ * 0x9E3779B97F4A7C15ULL;
  constexpr char kLetters[] = "abcdefghijklmnopqrstuvwxyz0123456789";
  std::string suffix;
  for (int i = 0; i < 6; ++i) {
    suffix += kLetters[mixed % (sizeof kLetters - 1)];
    mixed /= sizeof kLetters - 1;
  }
  return suffix;
}

}  // namespace

ReportFile::~ReportFile() { discard(); }

std::string ReportFile::cannot(const std::string& reason) const {
  return "The report cannot be written in " + path_ + ": " + reason + ".";
}

std::string ReportFile::open(const std::string& path) {
  discard();
  path_ = path;
  if (const std::string problem = ReportPathProblem(path); !problem.empty()) return problem;
  for (int attempt = 0; attempt < kNameAttempts && fd_ < 0; ++attempt) {
    temporary_ = path + "." + RandomSuffix();
    // 0666: the umask takes away what the user wants kept from others.
    fd_ = ::open(temporary_.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0666);
    if (fd_ < 0 && errno != EEXIST) break;
  }
  if (fd_ >= 0) return {};
  const int error = errno;
  temporary_.clear();
  return cannot(ErrnoText(error));
}

std::string ReportFile::keep(const std::string& html) {
  if (fd_ < 0) return cannot("it was not opened");
  int error = WriteAll(fd_, html);
  if (close(fd_) != 0 && error == 0) error = errno;
  fd_ = -1;
  // A link, unlike a rename, fails on a file that is there: one that came
  // while the run went on is kept too.
  if (error == 0 && link(temporary_.c_str(), path_.c_str()) != 0) error = errno;
  discard();
  return error == 0 ? std::string() : cannot(ErrnoText(error));
}

void ReportFile::discard() {
  if (fd_ >= 0) static_cast<void>(close(fd_));
  fd_ = -1;
  // The name made by open, and nothing else: O_EXCL made it this process's own file.
  if (!temporary_.empty()) static_cast<void>(unlink(temporary_.c_str()));
  temporary_.clear();
}
