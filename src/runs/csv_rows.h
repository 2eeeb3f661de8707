// A run's cycles as CSV, one row each, for a spreadsheet or a data-frame
// library to read without cleaning: a header line, RFC 4180 quoting, dots
// for decimals whatever the locale, empty cells for times not seen, "\n"
// line ends, UTF-8.
//
//   round,setting,sent_bytes,reply_bytes,echo_ms,reply_ms,result,message
//   1,wheelA.filter=9,1,2,34.1,2034.5,pass,
#pragma once

#include <string>

#include "cycle_row.h"

// The header line, with its line end.
const std::string& CsvHeader();
// One row, with its line end.
std::string CsvLine(const CycleRow& row);
// A cell: quoted when it holds a comma, a quote or a line end.
std::string CsvCell(const std::string& text);

// The CSV file of a run. Every row is handed to the kernel as it is written,
// so a run that is killed keeps every row it finished. The file is appended
// to, never truncated: rows of a run before stay. The header goes first into
// an empty file, and into one that does not begin with it, after a line end
// when its last line has none; a file that already begins with it gets rows
// only.
class CsvFile {
 public:
  CsvFile() = default;
  ~CsvFile();
  CsvFile(const CsvFile&) = delete;
  CsvFile& operator=(const CsvFile&) = delete;

  // Empty when open, else the text for the user ("The CSV file cannot be
  // written in PATH: REASON.").
  std::string open(const std::string& path);
  // Empty when written or not open; when writing failed, the text for the
  // user, and the file is closed.
  std::string write(const CycleRow& row);
  void close();
  bool writing() const { return fd_ >= 0; }

 private:
  std::string append(const std::string& text);

  int fd_ = -1;
  std::string path_;
};
