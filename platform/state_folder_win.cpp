#include "platform/state_folder.h"

#include <windows.h>
#include <aclapi.h>
#include <knownfolders.h>
#include <sddl.h>
#include <shlobj.h>

#include <cstdlib>

namespace {

// The system's words for an error, without the line end it adds.
std::string SystemText(DWORD error) {
    char text[256] = "";
    const DWORD n = FormatMessageA(FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, nullptr, error, 0,
                                   text, sizeof text, nullptr);
    std::string words(text, n);
    while (!words.empty() && (words.back() == '\n' || words.back() == '\r' || words.back() == '.'))
        words.pop_back();
    return words.empty() ? "error " + std::to_string(error) : words;
}

std::string Failed(const std::string& what, const std::string& path, DWORD error) {
    return "cannot " + what + " " + path + ": " + SystemText(error);
}

}  // namespace

std::string SystemDataFolder() {
    PWSTR wide = nullptr;
    std::string folder;
    if (SHGetKnownFolderPath(FOLDERID_ProgramData, 0, nullptr, &wide) == S_OK) {
        char narrow[MAX_PATH];
        if (WideCharToMultiByte(CP_ACP, 0, wide, -1, narrow, sizeof narrow, nullptr, nullptr) > 0) folder = narrow;
    }
    CoTaskMemFree(wide);
    if (folder.empty()) {
        const char* variable = std::getenv("ProgramData");
        if (variable) folder = variable;
    }
    return folder;
}

namespace {

// Whether this process runs with the Administrators group in its token
// (elevated, where the system splits tokens).
bool Administrator() {
    BYTE sid[SECURITY_MAX_SID_SIZE];
    DWORD size = sizeof sid;
    BOOL member = FALSE;
    return CreateWellKnownSid(WinBuiltinAdministratorsSid, nullptr, sid, &size) &&
           CheckTokenMembership(nullptr, sid, &member) && member;
}

// The running account's SID as text; "" when it cannot be had.
std::string RunningAccount() {
    HANDLE token = nullptr;
    if (!OpenProcessToken(GetCurrentProcess(), TOKEN_QUERY, &token)) return "";
    BYTE buffer[256];
    DWORD size = 0;
    LPSTR text = nullptr;
    std::string sid;
    if (GetTokenInformation(token, TokenUser, buffer, sizeof buffer, &size) &&
        ConvertSidToStringSidA(reinterpret_cast<TOKEN_USER*>(buffer)->User.Sid, &text)) {
        sid = text;
        LocalFree(text);
    }
    CloseHandle(token);
    return sid;
}

constexpr char kStateFolderDacl[] = "D:P(A;OICI;FA;;;SY)(A;OICI;FA;;;BA)(A;OICI;FRFX;;;BU)";

// Gives path the state folder's DACL, protected from what it would inherit;
// set after the folder is made too, since not every system keeps the one
// it was created with. False when it cannot be set.
// The state folder's security descriptor; null when it cannot be made.
PSECURITY_DESCRIPTOR StateFolderDescriptor() {
    std::string sddl = kStateFolderDacl;
    const std::string account = Administrator() ? "" : RunningAccount();
    if (!account.empty()) sddl += "(A;OICI;FA;;;" + account + ")";
    PSECURITY_DESCRIPTOR descriptor = nullptr;
    return ConvertStringSecurityDescriptorToSecurityDescriptorA(sddl.c_str(), SDDL_REVISION_1, &descriptor, nullptr)
               ? descriptor : nullptr;
}

bool SetStateFolderDacl(const std::string& path) {
    PSECURITY_DESCRIPTOR descriptor = StateFolderDescriptor();
    BOOL present = FALSE, defaulted = FALSE;
    PACL dacl = nullptr;
    if (!descriptor) return false;
    const bool set = GetSecurityDescriptorDacl(descriptor, &present, &dacl, &defaulted) && present &&
                     SetNamedSecurityInfoA(const_cast<char*>(path.c_str()), SE_FILE_OBJECT,
                                           DACL_SECURITY_INFORMATION | PROTECTED_DACL_SECURITY_INFORMATION, nullptr,
                                           nullptr, dacl, nullptr) == ERROR_SUCCESS;
    LocalFree(descriptor);
    return set;
}

// The state folder itself, with nothing inherited from where it is made
// (ProgramData lets every user add files below it): SYSTEM and the
// Administrators have it all, Users read it. An account that is no
// administrator gets it all too, or it could not keep its own records;
// other runs then refuse the folder as one another account can write.
bool CreateStateFolder(const std::string& path) {
    SECURITY_ATTRIBUTES attributes = {sizeof attributes, StateFolderDescriptor(), FALSE};
    if (!attributes.lpSecurityDescriptor) return false;
    const bool made = CreateDirectoryA(path.c_str(), &attributes);
    DWORD error = GetLastError();
    LocalFree(attributes.lpSecurityDescriptor);
    SetLastError(error);
    if (!made) return false;
    if (SetStateFolderDacl(path)) return true;
    // A folder left with what it inherited is no state folder.
    error = GetLastError();
    RemoveDirectoryA(path.c_str());
    SetLastError(error ? error : ERROR_ACCESS_DENIED);
    return false;
}

// SYSTEM, the Administrators, or the account this process runs as.
bool OwnedByUs(const std::string& path, bool* inherited) {
    PSID owner = nullptr;
    PSECURITY_DESCRIPTOR descriptor = nullptr;
    if (GetNamedSecurityInfoA(path.c_str(), SE_FILE_OBJECT, OWNER_SECURITY_INFORMATION | DACL_SECURITY_INFORMATION,
                              &owner, nullptr, nullptr, nullptr, &descriptor) != ERROR_SUCCESS)
        return false;
    SECURITY_DESCRIPTOR_CONTROL control = 0;
    DWORD revision = 0;
    if (inherited)
        *inherited = GetSecurityDescriptorControl(descriptor, &control, &revision) && !(control & SE_DACL_PROTECTED);
    LPSTR text = nullptr;
    bool ours = owner && (IsWellKnownSid(owner, WinLocalSystemSid) ||
                          IsWellKnownSid(owner, WinBuiltinAdministratorsSid));
    if (!ours && owner && ConvertSidToStringSidA(owner, &text)) {
        ours = RunningAccount() == text;
        LocalFree(text);
    }
    LocalFree(descriptor);
    return ours;
}

// A state folder an earlier version made below the system's data folder
// kept the DACL it inherited there, under which any user may add files.
// An elevated run gives it the DACL of its own, and sets aside, unread,
// each file in it that none of us made. Nothing is done where the folder
// is another account's: the trust rule refuses it.
void ProtectEarlierFolder(const std::string& path) {
    bool inherited = false;
    const std::string data = SystemDataFolder();
    if (!Administrator() || data.empty() || path.size() <= data.size() ||
        CompareStringA(LOCALE_INVARIANT, NORM_IGNORECASE, path.c_str(), int(data.size()), data.c_str(),
                       int(data.size())) != CSTR_EQUAL ||
        !OwnedByUs(path, &inherited) || !inherited)
        return;
    // Files first: until the DACL is protected nothing in the folder is read.
    WIN32_FIND_DATAA found;
    const HANDLE each = FindFirstFileA(FileIn(path, "*").c_str(), &found);
    for (BOOL more = each != INVALID_HANDLE_VALUE; more; more = FindNextFileA(each, &found)) {
        const std::string file = FileIn(path, found.cFileName);
        if (!(found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) && !OwnedByUs(file, nullptr))
            MoveFileExA(file.c_str(), (file + kSetAsideSuffix).c_str(), MOVEFILE_REPLACE_EXISTING);
    }
    if (each != INVALID_HANDLE_VALUE) FindClose(each);
    SetStateFolderDacl(path);
}

}  // namespace

const char kStateFolderRule[] = "%STATE_DIRECTORY% when set, else %ProgramData%\\Korvane";

std::string StateFolder() {
    const char* ours = std::getenv("STATE_DIRECTORY");
    if (ours && *ours) return ours;
    const std::string programData = SystemDataFolder();
    return programData.empty() ? "" : programData + "\\Korvane";
}

std::string FileIn(const std::string& folder, const std::string& name) { return folder + "\\" + name; }

bool MakeFolders(const std::string& path, std::string* why) {
    if (path.empty()) {
        *why = "no folder to keep state in (ProgramData is not known)";
        return false;
    }
    // Each parent in turn. One that exists may still refuse creation with
    // another error than "exists" (a drive's root, a share): what counts is
    // whether the last one is a folder at the end.
    std::string failed = path;
    DWORD error = ERROR_PATH_NOT_FOUND;
    for (size_t at = path.find_first_of("\\/", 1);; at = path.find_first_of("\\/", at + 1)) {
        const std::string part = path.substr(0, at);
        const bool last = at == std::string::npos;
        if (!(last ? CreateStateFolder(part) : CreateDirectoryA(part.c_str(), nullptr))) {
            if (GetLastError() != ERROR_ALREADY_EXISTS) {
                failed = part;
                error = GetLastError();
            } else if (last) {
                ProtectEarlierFolder(part);
            }
        }
        if (at == std::string::npos) break;
    }
    const DWORD attributes = GetFileAttributesA(path.c_str());
    if (attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY)) return true;
    *why = Failed("create", failed, attributes == INVALID_FILE_ATTRIBUTES ? error : ERROR_DIRECTORY);
    return false;
}

bool WriteWholeFile(const std::string& path, const std::string& contents, std::string* why) {
    const std::string temporary = path + "." + std::to_string(GetCurrentProcessId()) + ".new";
    const HANDLE file = CreateFileA(temporary.c_str(), GENERIC_WRITE | DELETE, 0, nullptr, CREATE_ALWAYS,
                                    FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) {
        *why = Failed("create", temporary, GetLastError());
        return false;
    }
    // Made where the folder was judged: a junction put in its place since
    // then leads elsewhere, and what was made there is taken back.
    if (!OpenedAt(file, temporary)) {
        FILE_DISPOSITION_INFO gone = {TRUE};
        SetFileInformationByHandle(file, FileDispositionInfo, &gone, sizeof gone);
        CloseHandle(file);
        *why = temporary + " led elsewhere when it was made";
        return false;
    }
    DWORD wrote = 0;
    bool ok = WriteFile(file, contents.data(), DWORD(contents.size()), &wrote, nullptr) &&
              wrote == contents.size() && FlushFileBuffers(file);
    DWORD error = ok ? 0 : GetLastError();
    CloseHandle(file);
    if (ok && !MoveFileExA(temporary.c_str(), path.c_str(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH)) {
        *why = Failed("replace", path, GetLastError());
        DeleteFileA(temporary.c_str());
        return false;
    }
    if (!ok) {
        *why = Failed("write", temporary, error);
        DeleteFileA(temporary.c_str());
    }
    return ok;
}
