#include "usage_text.h"

#include <cstdio>

#include "setting_tables.h"

namespace {

std::string Row(const char* format, const char* first, const char* second) {
  char line[256];
  const int written = std::snprintf(line, sizeof line, format, first, second);
  return written < 0 ? std::string() : std::string(line);
}

std::string Commands() {
  std::string text = "Commands:\n";
  for (const CtlCommand& c : CtlCommands()) {
    const std::string call = std::string(c.name) + (*c.arguments != '\0' ? " " : "") + c.arguments;
    text += Row("  %-22s %s\n", call.c_str(), c.summary);
  }
  return text;
}

std::string Keys() {
  std::string text = "Keys of set (a wheel's filter and speed, or a shutter's mode and steps,\ngiven together go in one cycle):\n";
  for (const SetKey& k : SetKeys()) text += Row("  %-22s %s\n", k.key, k.values);
  return text;
}

std::string ExitStatusText() {
  std::string text = "Exit status:\n";
  for (const ExitStatus& e : ExitStatuses()) {
    const std::string code = std::to_string(e.code);
    text += Row("  %-3s %s\n", code.c_str(), e.meaning);
  }
  return text;
}

}  // namespace

std::string GeneralCommandList() {
  std::string text;
  for (const GeneralCommandName& g : GeneralCommandNames()) text += Row("%-20s %s\n", g.name, g.sends);
  return text;
}

std::string UsageText(const std::string& optionsHelp) {
  return optionsHelp + "\n" + Commands() + "\n" + Keys() +
         "\nGeneral command names: korvel-ctl command --list\n"
         "\nResults go to standard output; diagnostics, messages and --verbose logs\n"
         "to standard error.\n\n" +
         ExitStatusText();
}
