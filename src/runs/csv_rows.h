// A run's cycles as CSV, one row each, for a spreadsheet or a data-frame
// library to read without cleaning: a header line, RFC 4180 quoting, dots
// for decimals whatever the locale, empty cells for times not seen, "\n"
// line ends, UTF-8. Each row names its run by the run's start (UTC, to the
// millisecond), so that runs appended to one file stay apart, and says when
// its cycle ended; a status query's row carries what it reported.
//
//   run,round,ended,setting,sent_bytes,reply_bytes,echo_ms,reply_ms,result,message,reported
//   2026-12-11T09:44:36.123Z,1,2026-12-11T09:44:38.201Z,wheelA.filter=9,1,2,34.1,2034.5,pass,,
#pragma once

#include <chrono>
#include <functional>
#include <string>

#include "cycle_row.h"

// The header line, with its line end.
const std::string& CsvHeader();
// One row of the run whose id is run, with its line end.
std::string CsvLine(const std::string& run, const CycleRow& row);
// A time in UTC as ISO 8601 to the millisecond: "2026-12-11T09:44:36.123Z".
std::string IsoUtcText(std::chrono::system_clock::time_point time);
// A cell: quoted when it holds a comma, a quote or a line end.
std::string CsvCell(const std::string& text);

// A rack run's file has a port column first: "port,run,round,…", each row
// the line one controller's run gave (CsvLine) after its port's cell.
enum class CsvColumns { kRun, kPortFirst };

// The CSV file of a run. Every row is handed to the kernel as it is written,
// so a run that is killed keeps every row it finished. The file is appended
// to, never truncated: rows of a run before stay. The header goes first into
// an empty file; a file that begins with it gets rows only (after a line end
// when its last line has none); any other file is refused unchanged, so that
// no row lands under another header.
class CsvFile {
 public:
  CsvFile() = default;
  ~CsvFile();
  CsvFile(const CsvFile&) = delete;
  CsvFile& operator=(const CsvFile&) = delete;

  // Empty when open, else the text for the user ("The CSV file cannot be
  // written in PATH: REASON."). runStart: the run's start, its id in every row.
  std::string open(const std::string& path, std::chrono::system_clock::time_point runStart,
                   CsvColumns columns = CsvColumns::kRun);
  // The rows, each the line CsvLine gives, handed to sink in place of a file
  // (no header): another process keeps the file.
  void handTo(std::function<void(const std::string& line)> sink, std::chrono::system_clock::time_point runStart);
  // Empty when written or not open; when writing failed, the text for the
  // user, and the file is closed.
  std::string write(const CycleRow& row);
  // A rack's row: port's cell, then line (a CsvLine). As write otherwise.
  std::string writeWithPort(const std::string& port, const std::string& line);
  void close();
  bool writing() const { return fd_ >= 0 || sink_ != nullptr; }

 private:
  std::string append(const std::string& text);

  int fd_ = -1;
  std::function<void(const std::string&)> sink_;
  std::string path_;
  std::string run_;
};
