#include "csv_rows.h"

#include <sys/stat.h>
#include <unistd.h>

#include <string_view>

#include "append_file.h"
#include "time_figures.h"

namespace {

// What the file holds at its start and whether its last byte ends a line;
// from a regular file only (a terminal or /dev/null holds nothing to keep).
struct Existing {
  bool startsWithHeader = false;
  bool endsLine = true;
};

Existing ExistingContent(int fd) {
  Existing existing;
  struct stat file {};
  if (fstat(fd, &file) != 0 || !S_ISREG(file.st_mode) || file.st_size == 0) return existing;
  const std::string& header = CsvHeader();
  std::string start(header.size(), '\0');
  const ssize_t got = pread(fd, start.data(), start.size(), 0);
  existing.startsWithHeader = got == static_cast<ssize_t>(header.size()) && start == header;
  char last = '\n';
  existing.endsLine = pread(fd, &last, 1, file.st_size - 1) == 1 && last == '\n';
  return existing;
}

}  // namespace

const std::string& CsvHeader() {
  static const std::string header = "round,setting,sent_bytes,reply_bytes,echo_ms,reply_ms,result,message\n";
  return header;
}

std::string CsvCell(const std::string& text) {
  if (text.find_first_of(",\"\r\n") == std::string::npos) return text;
  std::string quoted = "\"";
  for (char c : text) {
    if (c == '"') quoted += '"';
    quoted += c;
  }
  return quoted + '"';
}

std::string CsvLine(const CycleRow& row) {
  return std::to_string(row.round) + ',' + CsvCell(row.setting) + ',' + std::to_string(row.sentBytes) + ',' +
         std::to_string(row.replyBytes) + ',' + MsText(row.echoMs) + ',' + MsText(row.replyMs) + ',' +
         (row.passed ? "pass" : "fail") + ',' + CsvCell(row.message) + '\n';
}

CsvFile::~CsvFile() { close(); }

std::string CsvFile::open(const std::string& path) {
  close();
  std::string reason;
  // Read and write: the start of what is there tells whether the header is.
  const int fd = OpenForAppending(path, reason, O_RDWR);
  if (fd < 0) return "The CSV file cannot be written in " + path + ": " + reason + ".";
  fd_ = fd;
  path_ = path;
  const Existing existing = ExistingContent(fd_);
  if (existing.startsWithHeader) return {};
  return append((existing.endsLine ? "" : "\n") + CsvHeader());
}

std::string CsvFile::write(const CycleRow& row) { return append(CsvLine(row)); }

void CsvFile::close() {
  // Every row went to the kernel by write(); close has nothing to flush.
  if (fd_ >= 0) ::close(fd_);
  fd_ = -1;
}

std::string CsvFile::append(const std::string& text) {
  if (fd_ < 0) return {};
  const int error = WriteAll(fd_, text);
  if (error == 0) return {};
  close();
  return "The CSV file in " + path_ + " has stopped: " + ErrnoText(error) + ".";
}
