// Where the programs keep what outlives a run (the record of each update),
// and the one way they write a file there. Results: true on success, else
// false with *why in the system's own words; nothing is thrown.
#pragma once

#include <cstdint>
#include <cstdio>
#include <string>

// The folder, not created. Linux: $STATE_DIRECTORY (its first entry; systemd
// sets it for a unit's StateDirectory=), else /var/lib/korvane-update for
// root, else $XDG_STATE_HOME/korvane-update, else
// $HOME/.local/state/korvane-update. Windows: %STATE_DIRECTORY%, else
// <ProgramData>\Korvane. "" when none can be named.
std::string StateFolder();
// The system's data folder the state folder lies in by default: Windows'
// ProgramData ("" when unknown, and on Linux).
std::string SystemDataFolder();
// What a file found in a state folder that another account may have
// written is renamed with: set aside, never read.
constexpr char kSetAsideSuffix[] = ".set-aside";
// That rule in words for people: "$STATE_DIRECTORY when set, else ...".
extern const char kStateFolderRule[];

// The file `name` in `folder`, joined as the system writes paths.
std::string FileIn(const std::string& folder, const std::string& name);

// Creates path and its missing parents (0755 on Linux); true when it exists.
// On Windows the last one is made with a DACL of its own, nothing inherited:
// SYSTEM and Administrators write it, Users read it, and so does the account
// that makes it when that account is no administrator. One below the
// system's data folder that an earlier version made with the DACL it
// inherited there is given that DACL by an administrator's run, and each
// file in it that another account owns is set aside (kSetAsideSuffix).
bool MakeFolders(const std::string& path, std::string* why);

// Opens the file name in folder for reading, only where no account but this
// one, root (Windows: SYSTEM and the Administrators) can have written it: a
// folder or a file that another account owns or may write, a file that is a
// link (or a reparse point), or not a plain file, is refused. On Linux the
// folder may be a link that root or this account made (systemd makes one
// for a dynamic user's StateDirectory=), and what it leads to is judged, and
// so is the folder above it; on Windows a folder that is a reparse point is
// refused, and so is one above it up to the system's data folder. The
// folder is judged whether or not the file is there. *bytes gets
// the file's size. Null with *why "" when folder or file is missing; null
// with *why saying which and why when it is refused or cannot be read.
std::FILE* OpenStateFile(const std::string& folder, const char* name, uint64_t* bytes, std::string* why);

#ifdef _WIN32
// Whether an open file (a HANDLE) is the one at path, with every folder on
// the way resolved as the system opened it: false where a junction put in
// a folder's place led elsewhere.
bool OpenedAt(void* file, const std::string& path);
#endif

// Replaces the file's contents as a whole: a temporary file beside it,
// written and flushed to the disk, then renamed over it, so a power cut
// leaves the old contents or the new, never part of them.
bool WriteWholeFile(const std::string& path, const std::string& contents, std::string* why);
