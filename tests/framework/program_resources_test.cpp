// The program's resources as compiled from app/korvane.rc: the update
// window's template, its icon and its version.
#include <gtest/gtest.h>

#include <cctype>

#include "app/resource.h"
#include "tests/framework/dialog_template_reader.h"
#include "tests/framework/scripted_dialog.h"

namespace {

constexpr DWORD kChild = WS_CHILD | WS_VISIBLE;

struct ExpectedControl {
    DWORD id;
    const char* className;  // as registered
    const char* text;
    short x, y, cx, cy;
    DWORD style;
    bool visible, enabled;
};

const ExpectedControl kControls[] = {
    {IDC_LOG_AREA, "Edit", "", 10, 17, 129, 67,
     kChild | WS_BORDER | WS_TABSTOP | ES_MULTILINE | ES_READONLY | ES_AUTOHSCROLL, true, true},
    {IDC_DOWNLOAD, "Button", "Download", 86, 111, 53, 9, WS_CHILD | BS_PUSHBUTTON | BS_FLAT | WS_TABSTOP | WS_DISABLED,
     false, false},
    {IDC_PROGRESS, "msctls_progress32", "", 10, 86, 129, 14, kChild | WS_BORDER, true, true},
    {DWORD(-1), "Static", "Note : Don't turn off when updating!!", 14, 1, 121, 8, kChild | SS_LEFT | WS_GROUP, true,
     true},
    {IDC_CLOSE, "Button", "Close", 46, 104, 50, 13, kChild | BS_PUSHBUTTON | BS_FLAT | WS_TABSTOP, true, true},
};

// windres stores class names given as text in capitals; Windows matches
// them without regard to case.
std::string Lower(std::string text) {
    for (char& c : text) c = char(std::tolower(static_cast<unsigned char>(c)));
    return text;
}

bool LoadTemplate(DialogTemplate* out) {
    HRSRC found = ::FindResourceA(nullptr, MAKEINTRESOURCEA(IDD_KORVANE_DIALOG), MAKEINTRESOURCEA(5));  // RT_DIALOG
    if (found == nullptr) return false;
    return ReadDialogTemplate(::LockResource(::LoadResource(nullptr, found)), ::SizeofResource(nullptr, found), out);
}

TEST(KorvaneTemplate, Frame) {
    DialogTemplate t;
    ASSERT_TRUE(LoadTemplate(&t));
    EXPECT_EQ(t.caption, "Webcam auto update tool");
    EXPECT_EQ(t.style,
              DWORD(DS_SETFONT | DS_MODALFRAME | DS_FIXEDSYS | WS_POPUP | WS_VISIBLE | WS_CAPTION | WS_SYSMENU));
    EXPECT_EQ(t.exStyle, DWORD(WS_EX_APPWINDOW));
    EXPECT_EQ(t.helpId, 0u);
    EXPECT_EQ(t.x, 0);
    EXPECT_EQ(t.y, 0);
    EXPECT_EQ(t.cx, 149);
    EXPECT_EQ(t.cy, 122);
    EXPECT_EQ(t.menu, "");
    EXPECT_EQ(t.className, "");
    EXPECT_EQ(t.face, "MS Shell Dlg");
    EXPECT_EQ(t.pointSize, 9);
    EXPECT_EQ(t.weight, 0);
    EXPECT_EQ(t.italic, 0);
    EXPECT_EQ(t.charset, 1);
}

TEST(KorvaneTemplate, ControlsInTemplateOrder) {
    DialogTemplate t;
    ASSERT_TRUE(LoadTemplate(&t));
    ASSERT_EQ(t.items.size(), std::size(kControls));
    for (std::size_t i = 0; i < t.items.size(); ++i) {
        const TemplateItem& item = t.items[i];
        const ExpectedControl& want = kControls[i];
        SCOPED_TRACE(int(want.id));
        EXPECT_EQ(item.id, want.id);
        EXPECT_EQ(Lower(item.className), Lower(want.className));
        EXPECT_EQ(item.text, want.text);
        EXPECT_EQ(item.x, want.x);
        EXPECT_EQ(item.y, want.y);
        EXPECT_EQ(item.cx, want.cx);
        EXPECT_EQ(item.cy, want.cy);
        EXPECT_EQ(item.style, want.style) << std::hex << item.style << " vs " << want.style;
        EXPECT_EQ(item.exStyle, 0u);
        EXPECT_EQ(item.helpId, 0u);
        EXPECT_EQ(item.extraBytes, 0);
    }
}

// The template made into a window: windres stores class names in capitals,
// so each control must still come out of its registered class, in template
// order, shown or hidden as the template says.
TEST(KorvaneTemplate, OpensAsTheWindowItDescribes) {
    ScriptedDialog dialog({[](ScriptedDialog& d) {
        char caption[64] = {};
        ::GetWindowTextA(d.m_hWnd, caption, sizeof(caption));
        EXPECT_STREQ(caption, "Webcam auto update tool");
        EXPECT_EQ(::GetWindowLongA(d.m_hWnd, GWL_STYLE) & (WS_MINIMIZEBOX | WS_MAXIMIZEBOX), 0);
        EXPECT_TRUE(::GetWindowLongA(d.m_hWnd, GWL_EXSTYLE) & WS_EX_APPWINDOW);
        RECT client, size = {0, 0, 149, 122};
        ::MapDialogRect(d.m_hWnd, &size);
        d.GetClientRect(&client);
        EXPECT_TRUE(::EqualRect(&client, &size));

        HWND child = ::GetWindow(d.m_hWnd, GW_CHILD);
        for (const ExpectedControl& want : kControls) {
            SCOPED_TRACE(int(want.id));
            ASSERT_NE(child, nullptr);
            EXPECT_EQ(DWORD(::GetDlgCtrlID(child)) & 0xFFFF, want.id & 0xFFFF);
            char className[64] = {};
            ::GetClassNameA(child, className, sizeof(className));
            EXPECT_STREQ(className, want.className);
            EXPECT_EQ(bool(::IsWindowVisible(child)), want.visible);
            EXPECT_EQ(bool(::IsWindowEnabled(child)), want.enabled);
            child = ::GetWindow(child, GW_HWNDNEXT);
        }
        EXPECT_EQ(child, nullptr);
        d.EndDialog(0);
    }},
                          IDD_KORVANE_DIALOG);
    EXPECT_EQ(dialog.DoModal(), 0);
}

TEST(KorvaneIcon, GroupHoldsA32AndA16PixelImage) {
    HRSRC found = ::FindResourceA(nullptr, MAKEINTRESOURCEA(IDR_MAINFRAME), MAKEINTRESOURCEA(14));  // RT_GROUP_ICON
    ASSERT_NE(found, nullptr);
    const BYTE* group = static_cast<const BYTE*>(::LockResource(::LoadResource(nullptr, found)));
    ASSERT_GE(::SizeofResource(nullptr, found), 6u + 2 * 14u);
    EXPECT_EQ(group[2], 1);  // icons
    ASSERT_EQ(group[4], 2);  // two images
    const int sizes[] = {32, 16};
    for (int i = 0; i < 2; ++i) {
        const BYTE* entry = group + 6 + 14 * i;
        EXPECT_EQ(entry[0], sizes[i]);
        EXPECT_EQ(entry[1], sizes[i]);
        EXPECT_EQ(entry[6] | entry[7] << 8, 32);  // bits per pixel
    }
}

TEST(KorvaneIcon, LoadsAtBothSizes) {
    for (int size : {32, 16}) {
        SCOPED_TRACE(size);
        HICON icon = HICON(::LoadImageA(::GetModuleHandleA(nullptr), MAKEINTRESOURCEA(IDR_MAINFRAME), IMAGE_ICON,
                                        size, size, 0));
        ASSERT_NE(icon, nullptr);
        ICONINFO info = {};
        ASSERT_TRUE(::GetIconInfo(icon, &info));
        BITMAP colour = {};
        ::GetObjectA(info.hbmColor, sizeof(colour), &colour);
        EXPECT_EQ(colour.bmWidth, size);
        EXPECT_EQ(colour.bmHeight, size);
        ::DeleteObject(info.hbmColor);
        ::DeleteObject(info.hbmMask);
        ::DestroyIcon(icon);
    }
}

TEST(KorvaneVersion, NamesTheProgram) {
    char path[MAX_PATH] = {};
    ASSERT_GT(::GetModuleFileNameA(nullptr, path, MAX_PATH), 0u);
    DWORD ignored = 0;
    std::vector<char> block(::GetFileVersionInfoSizeA(path, &ignored));
    ASSERT_FALSE(block.empty());
    ASSERT_TRUE(::GetFileVersionInfoA(path, 0, DWORD(block.size()), block.data()));
    const struct {
        const char* key;
        const char* value;
    } strings[] = {{"ProductName", "Korvane"}, {"FileDescription", "Webcam auto update tool"}};
    for (const auto& s : strings) {
        SCOPED_TRACE(s.key);
        char* value = nullptr;
        UINT length = 0;
        const std::string key = std::string("\\StringFileInfo\\040904B0\\") + s.key;
        ASSERT_TRUE(::VerQueryValueA(block.data(), key.c_str(), reinterpret_cast<void**>(&value), &length));
        EXPECT_STREQ(value, s.value);
    }
    VS_FIXEDFILEINFO* fixed = nullptr;
    UINT length = 0;
    ASSERT_TRUE(::VerQueryValueA(block.data(), "\\", reinterpret_cast<void**>(&fixed), &length));
    EXPECT_EQ(fixed->dwFileType, DWORD(VFT_APP));
    EXPECT_EQ(fixed->dwFileVersionMS, 0x00010000u);
}

}  // namespace
