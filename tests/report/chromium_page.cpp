#include "chromium_page.h"

#include <cstdio>
#include <cstdlib>

namespace fs = std::filesystem;

bool HaveChromium() { return std::system("command -v chromium >/dev/null 2>&1") == 0; }

std::string Chromium(const fs::path& profile, const std::string& what, const fs::path& page) {
  const std::string command = "timeout 120 chromium --headless --disable-gpu --no-sandbox --user-data-dir='" +
                              profile.string() + "' --window-size=1200,1600 " + what + " 'file://" + page.string() +
                              "' 2>/dev/null";
  FILE* pipe = popen(command.c_str(), "r");
  if (!pipe) return {};
  std::string out;
  char chunk[4096];
  for (std::size_t got; (got = std::fread(chunk, 1, sizeof chunk, pipe)) > 0;) out.append(chunk, got);
  return pclose(pipe) == 0 ? out : std::string();
}
