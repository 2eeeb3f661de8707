// Headless Chromium on a page, for the tests that render a report in a real
// browser. Skipped only where Chromium is missing (scripts/install-deps
// installs it).
#pragma once

#include <filesystem>
#include <string>

bool HaveChromium();

// Runs chromium headless on the page with `what` (a flag such as
// --dump-dom); its standard output, empty when it failed or took over two
// minutes.
std::string Chromium(const std::filesystem::path& profile, const std::string& what, const std::filesystem::path& page);
