#include <windows.h>

#include <cstring>

#include "platform/instance_lock.h"
#include "platform/instance_mutex.h"

namespace {

// The holder's record lives in a small named section beside the mutex, made
// by the holder and gone with it. Mutexes and sections share one namespace:
// its name differs from the mutex's.
constexpr const char* kRecordSection = "{D3BADE20-259A-4a42-96B1-3D4A8794F70C} holder";
// A record is three short lines, ended by a zero.
constexpr DWORD kRecordBytes = 256;

char* record = nullptr;  // the section's view, when this process holds the lock
std::string heldProgram;

// Never unmapped or closed: the system lets go of both when the process ends.
void MakeRecord() {
    HANDLE section = CreateFileMappingA(INVALID_HANDLE_VALUE, nullptr, PAGE_READWRITE, 0, kRecordBytes,
                                        kRecordSection);
    if (!section) return;
    record = static_cast<char*>(MapViewOfFile(section, FILE_MAP_WRITE, 0, 0, kRecordBytes));
}

void ReadHolder(LockHolder* holder) {
    HANDLE section = OpenFileMappingA(FILE_MAP_READ, FALSE, kRecordSection);
    if (!section) return;
    const char* view = static_cast<const char*>(MapViewOfFile(section, FILE_MAP_READ, 0, 0, kRecordBytes));
    if (view) {
        char text[kRecordBytes];
        std::memcpy(text, view, kRecordBytes);
        UnmapViewOfFile(view);
        LockHolder read;
        if (ReadLockRecord(std::string(text, strnlen(text, sizeof text)), &read)) *holder = read;
    }
    CloseHandle(section);
}

}  // namespace

LockResult TakeInstanceLock(const std::string& program, std::string* where, LockHolder* holder) {
    *where = kInstanceMutex;
    if (!heldProgram.empty()) return LockResult::Held;  // a window's second run, after the first
    SetLastError(ERROR_SUCCESS);
    // Never closed: the system lets go of it when the process ends.
    HANDLE mutex = CreateMutexA(nullptr, FALSE, kInstanceMutex);
    if (!mutex) return LockResult::Unavailable;
    if (GetLastError() == ERROR_ALREADY_EXISTS) {
        ReadHolder(holder);
        return LockResult::Busy;
    }
    // The mutex above is the session's own: a deployment tool's run as
    // SYSTEM and a window in a user's session would each take one and write
    // the one camera at once. A partner in the global namespace keeps them
    // apart; one another account made may refuse us access, and then
    // it is held too. Where the namespace is missing, the session's holds.
    SetLastError(ERROR_SUCCESS);
    HANDLE everySession = CreateMutexA(nullptr, FALSE, kInstanceMutexEverySession);
    const DWORD made = GetLastError();
    if ((!everySession && made == ERROR_ACCESS_DENIED) || made == ERROR_ALREADY_EXISTS) {
        *where = kInstanceMutexEverySession;
        return LockResult::Busy;
    }
    heldProgram = program;
    MakeRecord();
    SetLockPhase(LockPhase::Checking);
    return LockResult::Held;
}

// The text first, its end last: a reader meanwhile sees at worst a record
// that does not read, and names the mutex alone.
void SetLockPhase(LockPhase phase) {
    if (!record) return;
    const std::string text = LockRecordText(heldProgram, GetCurrentProcessId(), phase);
    if (text.size() >= kRecordBytes) return;
    record[0] = '\0';
    MemoryBarrier();
    std::memcpy(record + 1, text.data() + 1, text.size() - 1);
    record[text.size()] = '\0';
    MemoryBarrier();
    record[0] = text[0];
}
