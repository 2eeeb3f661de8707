// The ports of a run: --port given once or more, and --ports-from FILE, one
// device path or network address a line.
#pragma once

#include <string>
#include <vector>

// Appends the ports FILE lists: one a line, blanks at either end dropped,
// blank lines and lines starting with "#" skipped, and " #" begins a comment
// at the end of a line. Empty when read, else why not (for a usage error).
std::string ReadPortsFile(const std::string& path, std::vector<std::string>& ports);

// Why these ports cannot be one run: a port named twice (also as another
// path to the same device; an address compared by its scheme, its host as
// written and its port number), or too many. Empty when none.
std::string PortsProblem(const std::vector<std::string>& ports);
