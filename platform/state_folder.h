// Where the programs keep what outlives a run (the record of each update),
// and the one way they write a file there. Results: true on success, else
// false with *why in the system's own words; nothing is thrown.
#pragma once

#include <string>

// The folder, not created. Linux: $STATE_DIRECTORY (its first entry; systemd
// sets it for a unit's StateDirectory=), else /var/lib/korvane-update for
// root, else $XDG_STATE_HOME/korvane-update, else
// $HOME/.local/state/korvane-update. Windows: %STATE_DIRECTORY%, else
// <ProgramData>\Korvane. "" when none can be named.
std::string StateFolder();

// The file `name` in `folder`, joined as the system writes paths.
std::string FileIn(const std::string& folder, const std::string& name);

// Creates path and its missing parents (0755 on Linux); true when it exists.
bool MakeFolders(const std::string& path, std::string* why);

// Replaces the file's contents as a whole: a temporary file beside it,
// written and flushed to the disk, then renamed over it, so a power cut
// leaves the old contents or the new, never part of them.
bool WriteWholeFile(const std::string& path, const std::string& contents, std::string* why);
