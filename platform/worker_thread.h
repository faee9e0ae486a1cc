// How the download worker is started: a thread nobody waits for. Tests put
// their own starter in place to run the worker when they choose.
#pragma once

#include <cstdint>

using WorkerRoutine = uint32_t (*)(void* parameter);
using ThreadStarter = bool (*)(WorkerRoutine routine, void* parameter);

// Starts routine on a new thread with the default stack, and lets the
// thread go at once. False when no thread could be made.
bool StartWorkerThread(WorkerRoutine routine, void* parameter);

// Replaces the starter and returns the previous one; null restores the
// real one.
ThreadStarter SetThreadStarter(ThreadStarter starter);
