// Running controller emulators announce their device paths in a directory, so
// that a port search finds them next to the system's serial ports. The
// directory is $KORVEL_EMULATOR_DIR, else $XDG_RUNTIME_DIR/korvel-emulators,
// else /tmp/korvel-emulators-<uid>.
#pragma once

#include <string>
#include <vector>

std::string EmulatorAnnouncementDir();

// Announces a device path for this process; returns the announcement's file,
// empty when it could not be written.
std::string AnnounceEmulator(const std::string& devicePath);

// Removes an announcement made by AnnounceEmulator.
void WithdrawEmulator(const std::string& announcement);

// The device paths of the emulators that are still running, sorted.
std::vector<std::string> AnnouncedEmulators();
