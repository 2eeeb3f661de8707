// A report's file, taken before the run that fills it: the temporary file
// beside the report's path is made at once, so that a folder that is missing
// or cannot be written ends the run before anything is sent. At the end the
// page goes into it and it is linked to the path: the report appears whole or
// not at all, never over a file that is there. It is made as any new file of
// the process is (mode 0666 less the umask).
#pragma once

#include <string>

#include "append_file.h"

class ReportFile {
 public:
  ReportFile() = default;
  ~ReportFile();  // a temporary file not kept is removed
  ReportFile(const ReportFile&) = delete;
  ReportFile& operator=(const ReportFile&) = delete;

  // Empty when the temporary file is made beside path, else the text for the user.
  std::string open(const std::string& path);
  bool opened() const { return fd_ >= 0; }
  const std::string& path() const { return path_; }
  // The temporary file's path while it is open; empty otherwise.
  const std::string& temporaryPath() const { return temporary_; }

  // Writes html into the temporary file and links it to the path; the
  // temporary name goes either way. Empty when written, else the text for the user.
  std::string keep(const std::string& html);

 private:
  std::string cannot(const std::string& reason) const;
  void discard();

  int fd_ = -1;
  std::string path_;
  std::string temporary_;
};
