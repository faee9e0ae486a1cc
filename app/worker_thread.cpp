#include "app/worker_thread.h"

namespace {

bool StartOnNewThread(LPTHREAD_START_ROUTINE routine, LPVOID parameter) {
    HANDLE thread = CreateThread(nullptr, 0, routine, parameter, 0, nullptr);
    if (!thread) return false;
    CloseHandle(thread);
    return true;
}

ThreadStarter current = StartOnNewThread;

}  // namespace

bool StartWorkerThread(LPTHREAD_START_ROUTINE routine, LPVOID parameter) {
    return current(routine, parameter);
}

ThreadStarter SetThreadStarter(ThreadStarter starter) {
    ThreadStarter previous = current;
    current = starter ? starter : StartOnNewThread;
    return previous;
}
