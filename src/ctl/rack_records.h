// What a rack run's parent does with what its controllers' processes send
// as they run: their words above the progress lines, "PORT: " first; their
// records kept (variant, configuration, report section), shown (progress)
// or written at once (CSV rows, the port's cell first).
#pragma once

#include <string>
#include <vector>

#include "csv_rows.h"
#include "rack_processes.h"
#include "rack_progress.h"

// What one controller's records said.
struct ControllerTold {
  std::string variant;
  std::string configuration;
  std::string report;  // its section of the rack's report; empty: none came
};

class RackRecords : public RackListener {
 public:
  // csv: the rack's CSV file (port column first); nullptr when none was asked for.
  RackRecords(std::vector<std::string> ports, RackProgress& progress, CsvFile* csv);

  void said(std::size_t controller, const std::string& line) override;
  void told(std::size_t controller, const QJsonObject& record) override;
  void ended(std::size_t controller) override;
  void turned() override;

  const std::vector<ControllerTold>& told() const { return told_; }

 private:
  std::vector<std::string> ports_;
  RackProgress& progress_;
  CsvFile* csv_;
  std::vector<ControllerTold> told_;
};
