// A run to report on: two settings of a wheel there and back, one slowing
// down and failing twice, and status queries; the page made of it.
#pragma once

#include <gtest/gtest.h>

#include <filesystem>
#include <string>

#include "html_report.h"
#include "run_statistics.h"

class ReportTest : public testing::Test {
 protected:
  void SetUp() override;
  void TearDown() override;

  static const char* const kSettings[3];
  RunStatistics run;
  RunDescription description;
  std::filesystem::path dir;
};
