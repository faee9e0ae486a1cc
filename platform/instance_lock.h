// One update at a time per machine. On Windows the update window's own
// named mutex, taken by the console program too, so that the two exclude
// each other; on Linux an exclusive flock on a lock file. Held until the
// process ends.
//
// The holder records beside the lock who it is and what it is doing, so
// that a run it refuses can say so: Linux writes the record into the lock
// file itself, Windows into a small named section beside the mutex.
#pragma once

#include <string>

enum class LockResult { Held, Busy, Unavailable };

// What the holder is doing, rewritten as it goes from one to the next.
enum class LockPhase { Checking, Asking, Writing, WindowOpen };

// The holder's record, as another process reads it.
struct LockHolder {
    std::string program;        // "" when the holder left nothing readable
    unsigned long process = 0;  // its process ID
    LockPhase phase = LockPhase::Checking;
};

// `program` names this process in its record; `where` receives the lock's
// name (the file or the mutex) for messages. On Busy, *holder gets the
// holder's record when it left one that is readable and its own. A process
// that holds it already is given it again: Held.
LockResult TakeInstanceLock(const std::string& program, std::string* where, LockHolder* holder);

// Rewrites this process's record with what it now does; nothing when it
// holds no lock.
void SetLockPhase(LockPhase phase);

// The record as the lock keeps it ("program\nprocess\nphase\n"), and read
// back; false when the text is not a whole record.
std::string LockRecordText(const std::string& program, unsigned long process, LockPhase phase);
bool ReadLockRecord(const std::string& text, LockHolder* holder);

// Who holds the lock and what it does, for a run it refuses: ": korvane
// (process 812) has the update window open"; " (LOCK is held)" when the
// holder left no record that reads.
std::string LockHolderWords(const LockHolder& holder, const std::string& lockName);
