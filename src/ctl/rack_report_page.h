// A rack run's report: the overview from the controllers' rows, each
// controller's section as its own process sent it, written through the
// report file opened before anything started.
#pragma once

#include <chrono>
#include <string>
#include <vector>

#include "ctl_request.h"
#include "rack_records.h"
#include "rack_results.h"
#include "report_file.h"

// Empty when written, else the text for the user.
std::string WriteRackReport(const CtlRequest& request, ReportFile& file,
                            std::chrono::system_clock::time_point startedAt, const std::vector<ControllerRow>& rows,
                            const std::vector<ControllerTold>& told);
