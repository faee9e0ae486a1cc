// The built korvane.exe and korvane-update.exe, read as Windows reads them:
// one manifest, running as the caller on the systems listed, and the version.
#include <gtest/gtest.h>
#include <windows.h>

#include <string>
#include <vector>

#include "korvane_version.h"

#define WIDEN_(text) L##text
#define WIDEN(text) WIDEN_(text)

static BOOL CALLBACK Count(HMODULE, LPCWSTR, LPCWSTR, WORD, LONG_PTR n) { return ++*reinterpret_cast<int*>(n); }

TEST(BuiltPrograms, CarryOneManifestAndTheVersion) {
    const struct { const wchar_t *path, *name; } kPrograms[] = {
        {WIDEN(KORVANE_EXE), L"korvane.exe"}, {WIDEN(KORVANE_UPDATE_EXE), L"korvane-update.exe"}};
    const char* kManifestHolds[] = {"level=\"asInvoker\" uiAccess=\"false\"", "{35138b9a-5d96-4fbd-8e2d-a2440225f93a}",
        "{4a2f28e3-53b9-4441-ba9c-d69d4a4a6e38}", "{1f676c76-80e1-4239-95bb-83d0f6d0da78}",
        "{8e0f7a12-bfb3-4fe8-b9a5-48fd50a15a9a}"};
    for (const auto& program : kPrograms) {
        SCOPED_TRACE(program.name);
        HMODULE file = LoadLibraryExW(program.path, nullptr, LOAD_LIBRARY_AS_DATAFILE | LOAD_LIBRARY_AS_IMAGE_RESOURCE);
        ASSERT_NE(file, nullptr);
        int manifests = 0;  // RT_MANIFEST, CREATEPROCESS_MANIFEST_RESOURCE_ID, in any language
        EnumResourceLanguagesW(file, MAKEINTRESOURCEW(24), MAKEINTRESOURCEW(1), Count, LONG_PTR(&manifests));
        EXPECT_EQ(manifests, 1);
        HRSRC found = FindResourceW(file, MAKEINTRESOURCEW(1), MAKEINTRESOURCEW(24));
        ASSERT_NE(found, nullptr);
        const std::string manifest(static_cast<const char*>(LockResource(LoadResource(file, found))),
                                   SizeofResource(file, found));
        FreeLibrary(file);
        for (const char* held : kManifestHolds) EXPECT_NE(manifest.find(held), std::string::npos) << held;
        EXPECT_EQ(manifest.find("Common-Controls"), std::string::npos);

        DWORD ignored = 0;
        std::vector<char> block(GetFileVersionInfoSizeW(program.path, &ignored));
        ASSERT_TRUE(GetFileVersionInfoW(program.path, 0, DWORD(block.size()), block.data()));
        const std::wstring kStrings[][2] = {{L"FileVersion", WIDEN(KORVANE_VERSION)},
            {L"ProductVersion", WIDEN(KORVANE_VERSION)}, {L"OriginalFilename", program.name}};
        for (const auto& s : kStrings) {
            void* value = nullptr;
            UINT length = 0;
            ASSERT_TRUE(VerQueryValueW(block.data(), (L"\\StringFileInfo\\040904B0\\" + s[0]).c_str(), &value, &length));
            EXPECT_EQ(static_cast<const wchar_t*>(value), s[1]) << s[0];
        }
    }
}
