// Files that a front only ever appends to (the session record, a burn-in's
// rows): opened so that nothing already in them is lost, written whole.
#pragma once

#include <fcntl.h>

#include <string>

#include "write_all.h"

// A descriptor open for appending at path, created when missing and never
// truncated; or -1 with the reason in `reason`. `access` is O_WRONLY, or
// O_RDWR to read what the file already holds. A regular file only: a device,
// a FIFO or a socket is refused without being opened. A symbolic link only
// when its owner is this user or root.
int OpenForAppending(const std::string& path, std::string& reason, int access = O_WRONLY);


// strerror's text for an error number.
std::string ErrnoText(int error);
