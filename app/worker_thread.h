// How the download worker is started: a thread nobody waits for. Tests put
// their own starter in place to run the worker when they choose.
#pragma once

#include <windows.h>

using ThreadStarter = bool (*)(LPTHREAD_START_ROUTINE routine, LPVOID parameter);

// Starts routine on a new thread with the default stack and no flags, and
// lets its handle go at once. False when no thread could be made.
bool StartWorkerThread(LPTHREAD_START_ROUTINE routine, LPVOID parameter);

// Replaces the starter and returns the previous one; null restores the
// real one.
ThreadStarter SetThreadStarter(ThreadStarter starter);
