#include "csv_rows.h"

#include <sys/stat.h>
#include <unistd.h>

#include <cstdio>
#include <ctime>
#include <string_view>

#include "append_file.h"
#include "time_figures.h"

namespace {

// What the file holds at its start and whether its last byte ends a line.
struct Existing {
  bool empty = true;
  bool startsWithHeader = false;
  bool endsLine = true;
};

Existing ExistingContent(int fd, const std::string& header) {
  Existing existing;
  struct stat file {};
  if (fstat(fd, &file) != 0 || file.st_size == 0) return existing;
  existing.empty = false;
  std::string start(header.size(), '\0');
  const ssize_t got = pread(fd, start.data(), start.size(), 0);
  existing.startsWithHeader = got == static_cast<ssize_t>(header.size()) && start == header;
  char last = '\n';
  existing.endsLine = pread(fd, &last, 1, file.st_size - 1) == 1 && last == '\n';
  return existing;
}

}  // namespace

const std::string& CsvHeader() {
  static const std::string header =
      "run,round,ended,setting,sent_bytes,reply_bytes,echo_ms,reply_ms,result,message,reported\n";
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

std::string CsvLine(const std::string& run, const CycleRow& row) {
  return CsvCell(run) + ',' + std::to_string(row.round) + ',' + IsoUtcText(row.ended) + ',' + CsvCell(row.setting) +
         ',' + std::to_string(row.sentBytes) + ',' + std::to_string(row.replyBytes) + ',' + MsText(row.echoMs) + ',' +
         MsText(row.replyMs) + ',' + (row.passed ? "pass" : "fail") + ',' + CsvCell(row.message) + ',' +
         CsvCell(row.reported) + '\n';
}

std::string IsoUtcText(std::chrono::system_clock::time_point time) {
  const auto ms = std::chrono::floor<std::chrono::milliseconds>(time.time_since_epoch()).count();
  const std::time_t seconds = static_cast<std::time_t>(ms >= 0 ? ms / 1000 : (ms - 999) / 1000);
  std::tm utc{};
  if (gmtime_r(&seconds, &utc) == nullptr) return {};
  char text[40];
  const std::size_t date = std::strftime(text, sizeof text, "%Y-%m-%dT%H:%M:%S", &utc);
  if (date == 0) return {};
  const int rest = std::snprintf(text + date, sizeof text - date, ".%03dZ", static_cast<int>(ms - seconds * 1000LL));
  return rest < 0 ? std::string() : std::string(text);
}

CsvFile::~CsvFile() { close(); }

std::string CsvFile::open(const std::string& path, std::chrono::system_clock::time_point runStart,
                          CsvColumns columns) {
  close();
  const std::string header = (columns == CsvColumns::kPortFirst ? "port," : "") + CsvHeader();
  std::string reason;
  // Read and write: the start of what is there tells whether the header is.
  const int fd = OpenForAppending(path, reason, O_RDWR);
  if (fd < 0) return "The CSV file cannot be written in " + path + ": " + reason + ".";
  const Existing existing = ExistingContent(fd, header);
  if (!existing.empty && !existing.startsWithHeader) {
    ::close(fd);
    return "The CSV file " + path + " has other columns than this run's (its first line is not " +
           std::string(header, 0, header.size() - 1) + "); name a new file for this run.";
  }
  fd_ = fd;
  path_ = path;
  run_ = IsoUtcText(runStart);
  if (existing.empty) return append(header);
  return existing.endsLine ? std::string() : append("\n");
}

void CsvFile::handTo(std::function<void(const std::string& line)> sink, std::chrono::system_clock::time_point runStart) {
  close();
  sink_ = std::move(sink);
  run_ = IsoUtcText(runStart);
}

std::string CsvFile::write(const CycleRow& row) {
  if (sink_ == nullptr) return append(CsvLine(run_, row));
  sink_(CsvLine(run_, row));
  return {};
}

std::string CsvFile::writeWithPort(const std::string& port, const std::string& line) {
  if (line.empty()) return {};
  return append(CsvCell(port) + ',' + line + (line.back() == '\n' ? "" : "\n"));
}

void CsvFile::close() {
  // Every row went to the kernel by write(); close has nothing to flush.
  if (fd_ >= 0) ::close(fd_);
  fd_ = -1;
  sink_ = nullptr;
}

std::string CsvFile::append(const std::string& text) {
  if (fd_ < 0) return {};
  const int error = WriteAll(fd_, text);
  if (error == 0) return {};
  close();
  return "The CSV file in " + path_ + " has stopped: " + ErrnoText(error) + ".";
}
