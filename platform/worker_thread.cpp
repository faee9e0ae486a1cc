#include "platform/worker_thread.h"

#include <new>

#ifdef _WIN32
#include <windows.h>
#else
#include <system_error>
#include <thread>
#endif

namespace {

#ifdef _WIN32
struct Start {
    WorkerRoutine routine;
    void* parameter;
};

DWORD WINAPI RunWorker(LPVOID start) {
    const Start s = *static_cast<Start*>(start);
    delete static_cast<Start*>(start);
    return s.routine(s.parameter);
}

// Default stack, no flags; the handle is closed at once.
bool StartOnNewThread(WorkerRoutine routine, void* parameter) {
    Start* start = new (std::nothrow) Start{routine, parameter};
    if (!start) return false;
    HANDLE thread = CreateThread(nullptr, 0, RunWorker, start, 0, nullptr);
    if (!thread) {
        delete start;
        return false;
    }
    CloseHandle(thread);
    return true;
}
#else
bool StartOnNewThread(WorkerRoutine routine, void* parameter) {
    try {
        std::thread(routine, parameter).detach();
    } catch (const std::system_error&) {
        return false;
    }
    return true;
}
#endif

ThreadStarter current = StartOnNewThread;

}  // namespace

bool StartWorkerThread(WorkerRoutine routine, void* parameter) {
    return current(routine, parameter);
}

ThreadStarter SetThreadStarter(ThreadStarter starter) {
    ThreadStarter previous = current;
    current = starter ? starter : StartOnNewThread;
    return previous;
}
