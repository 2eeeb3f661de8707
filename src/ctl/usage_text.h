// korvel-ctl --help: the options as the parser knows them, then the commands,
// the general command names, the keys of set and the exit statuses, each
// from its table.
#pragma once

#include <string>

std::string UsageText(const std::string& optionsHelp);

// command --list: each name and what it sends.
std::string GeneralCommandList();
