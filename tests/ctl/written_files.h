// What korvel-ctl wrote to a file (a CSV, a report, a record), read back whole.
#pragma once

#include <filesystem>
#include <string>
#include <vector>

// The file's bytes; empty when it cannot be read.
std::string ReadFile(const std::filesystem::path& path);

// The text's lines, without their line ends.
std::vector<std::string> Lines(const std::string& text);
