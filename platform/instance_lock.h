// One update at a time per machine. On Windows the update window's own
// named mutex, taken by the console program too, so that the two exclude
// each other; on Linux an exclusive flock on a lock file. Held until the
// process ends.
#pragma once

#include <string>

enum class LockResult { Held, Busy, Unavailable };

// `where` receives the lock's name (the file or the mutex) for messages.
LockResult TakeInstanceLock(std::string* where);
