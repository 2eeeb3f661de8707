// Running controller emulators announce their device paths in a directory, so
// that a port search finds them next to the system's serial ports. The
// directory is $KORVEL_EMULATOR_DIR, else $XDG_RUNTIME_DIR/korvel-emulators,
// else /tmp/korvel-emulators-<uid>.
//
// Any local user could have made that directory or a file in it first, so
// both sides trust it only as a real directory of the user's own that nobody
// else may write to; an announcement counts only while the process that made
// it holds a lock on it, which no other user's process can take or fake.
#pragma once

#include <string>
#include <vector>

std::string EmulatorAnnouncementDir();

// Announces a device path for this process and holds the announcement's lock
// until WithdrawEmulator or the end of the process. Returns the announcement's
// file; empty, with the reason in *whyNot when given, when it was not made.
std::string AnnounceEmulator(const std::string& devicePath, std::string* whyNot = nullptr);

// Removes an announcement made by AnnounceEmulator and lets its lock go.
void WithdrawEmulator(const std::string& announcement);

// The device paths of the emulators that are still running, sorted. A
// directory that cannot be trusted is ignored, with one diagnostic line the
// first time it is found so (again after it was trusted or missing).
std::vector<std::string> AnnouncedEmulators();

// Removes the announcements of emulators that have ended (nothing holds their
// lock) from a trusted directory; nothing elsewhere. Only a file that is an
// announcement in every way is removed: its name "<pid>-<number>", one
// absolute path line in it, a regular file of the user's own; whatever else
// the user keeps in that folder stays, unopened where its name already tells.
void RemoveEndedAnnouncements();
