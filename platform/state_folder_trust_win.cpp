#include <windows.h>
#include <aclapi.h>
#include <sddl.h>

#include <fcntl.h>

#include <cstdio>
#include <cstring>
#include <io.h>

#include "platform/state_folder.h"

namespace {

// What lets an account change a file or a folder's contents, or who may.
constexpr DWORD kWriteRights = FILE_WRITE_DATA | FILE_APPEND_DATA | FILE_DELETE_CHILD | DELETE | WRITE_DAC |
                               WRITE_OWNER | GENERIC_WRITE | GENERIC_ALL;

std::string SidText(PSID sid) {
    LPSTR text = nullptr;
    if (!ConvertSidToStringSidA(sid, &text)) return "an account";
    std::string words = text;
    LocalFree(text);
    return words;
}

// The account this process runs as.
bool IsRunningAccount(PSID sid) {
    HANDLE token = nullptr;
    if (!OpenProcessToken(GetCurrentProcess(), TOKEN_QUERY, &token)) return false;
    BYTE buffer[256];
    DWORD size = 0;
    const bool same = GetTokenInformation(token, TokenUser, buffer, sizeof buffer, &size) &&
                      EqualSid(reinterpret_cast<TOKEN_USER*>(buffer)->User.Sid, sid);
    CloseHandle(token);
    return same;
}

bool Trusted(PSID sid) {
    return IsWellKnownSid(sid, WinLocalSystemSid) || IsWellKnownSid(sid, WinBuiltinAdministratorsSid) ||
           IsRunningAccount(sid);
}

// Whether path lies below folder (the system's way: case aside).
bool Below(const std::string& path, const std::string& folder) {
    return path.size() > folder.size() + 1 && (path[folder.size()] == '\\' || path[folder.size()] == '/') &&
           CompareStringA(LOCALE_INVARIANT, NORM_IGNORECASE, path.c_str(), int(folder.size()), folder.c_str(),
                          int(folder.size())) == CSTR_EQUAL;
}

// The first account the DACL lets write the object itself, other than the
// trusted ones; "" when there is none. Deny entries only take rights away.
std::string OtherWriter(const ACL* dacl) {
    if (!dacl) return "everyone (no DACL)";
    for (DWORD i = 0; i < dacl->AceCount; ++i) {
        void* entry = nullptr;
        if (!GetAce(const_cast<ACL*>(dacl), i, &entry)) continue;
        const auto* ace = static_cast<const ACCESS_ALLOWED_ACE*>(entry);
        if (ace->Header.AceType != ACCESS_ALLOWED_ACE_TYPE || (ace->Header.AceFlags & INHERIT_ONLY_ACE)) continue;
        PSID sid = const_cast<DWORD*>(&ace->SidStart);
        if ((ace->Mask & kWriteRights) && !Trusted(sid)) return SidText(sid);
    }
    return "";
}

// Why path may have been written by another account; "" when it cannot.
std::string Untrusted(const std::string& path) {
    PSID owner = nullptr;
    PACL dacl = nullptr;
    PSECURITY_DESCRIPTOR descriptor = nullptr;
    const DWORD error = GetNamedSecurityInfoA(path.c_str(), SE_FILE_OBJECT,
                                              OWNER_SECURITY_INFORMATION | DACL_SECURITY_INFORMATION, &owner,
                                              nullptr, &dacl, nullptr, &descriptor);
    if (error != ERROR_SUCCESS) return "cannot read who may write " + path + " (error " + std::to_string(error) + ")";
    std::string why;
    if (!owner || !Trusted(owner))
        why = path + " belongs to another account (" + (owner ? SidText(owner) : "none") + ")";
    else if (!(why = OtherWriter(dacl)).empty())
        why = path + " can be written by other accounts (" + why + ")";
    LocalFree(descriptor);
    return why;
}

// "" when path is there and is no link; else why not, or "" with *missing.
std::string Plain(const std::string& path, DWORD wanted, bool* missing) {
    const DWORD attributes = GetFileAttributesA(path.c_str());
    if (attributes == INVALID_FILE_ATTRIBUTES) {
        const DWORD error = GetLastError();
        *missing = error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND;
        return *missing ? "" : "cannot read " + path + " (error " + std::to_string(error) + ")";
    }
    if (attributes & FILE_ATTRIBUTE_REPARSE_POINT) return path + " is a link";
    if ((attributes & FILE_ATTRIBUTE_DIRECTORY) != wanted) return path + " is not a plain " + (wanted ? "folder" : "file");
    return "";
}

// The folder, and each folder above it up to the system's data folder
// where it lies below that: each there, no link, and written by no other
// account. "" when all hold, or with *missing when the folder is not there.
std::string UntrustedFolders(const std::string& folder, bool* missing) {
    std::string why = Plain(folder, FILE_ATTRIBUTE_DIRECTORY, missing);
    if (!why.empty() || *missing) return why;
    if (!(why = Untrusted(folder)).empty()) return why;
    const std::string data = SystemDataFolder();
    if (data.empty() || !Below(folder, data)) return "";
    for (size_t at = folder.find_last_of("\\/"); at != std::string::npos && at > data.size();
         at = folder.find_last_of("\\/", at - 1)) {
        const std::string above = folder.substr(0, at);
        bool gone = false;
        if (!(why = Plain(above, FILE_ATTRIBUTE_DIRECTORY, &gone)).empty()) return why;
        if (gone) return above + " is not there";
        if (!(why = Untrusted(above)).empty()) return why;
    }
    return "";
}

}  // namespace

bool OpenedAt(void* file, const std::string& path) {
    char resolved[2 * MAX_PATH], full[2 * MAX_PATH];
    const DWORD got = GetFinalPathNameByHandleA(file, resolved, sizeof resolved, FILE_NAME_NORMALIZED | VOLUME_NAME_DOS);
    const DWORD length = GetFullPathNameA(path.c_str(), sizeof full, full, nullptr);
    if (got == 0 || got >= sizeof resolved || length == 0 || length >= sizeof full) return false;
    const char* at = std::strncmp(resolved, "\\\\?\\", 4) == 0 ? resolved + 4 : resolved;
    return _stricmp(at, full) == 0;
}

std::FILE* OpenStateFile(const std::string& folder, const char* name, uint64_t* bytes, std::string* why) {
    const std::string path = folder + "\\" + name;
    bool missing = false;
    // The folder first, whether or not the file is there: a run that finds
    // no history writes one into it next.
    *why = UntrustedFolders(folder, &missing);
    if (why->empty() && !missing) *why = Plain(path, 0, &missing);
    if (!why->empty() || missing) return nullptr;
    *why = Untrusted(path);
    if (!why->empty()) return nullptr;
    // Opened where it was judged: a junction put in a folder's place since
    // then leads elsewhere, and is refused.
    const HANDLE handle = CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                                      FILE_FLAG_OPEN_REPARSE_POINT, nullptr);
    if (handle != INVALID_HANDLE_VALUE && !OpenedAt(handle, path)) {
        CloseHandle(handle);
        *why = path + " led elsewhere when it was opened";
        return nullptr;
    }
    const int fd = handle == INVALID_HANDLE_VALUE ? -1 : _open_osfhandle(intptr_t(handle), _O_RDONLY | _O_BINARY);
    std::FILE* file = fd < 0 ? nullptr : _fdopen(fd, "rb");
    if (!file) {
        if (fd >= 0) _close(fd);
        else if (handle != INVALID_HANDLE_VALUE) CloseHandle(handle);
        *why = "cannot read " + path;
        return nullptr;
    }
    *bytes = uint64_t(_filelengthi64(_fileno(file)));
    return file;
}
