// The application object and the program's entry.
#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "app/resource.h"
#include "framework/win_app.h"

namespace {

TEST(WinApp, OneApplicationObjectAtATime) {
    EXPECT_EQ(AfxGetApp(), nullptr);
    {
        CWinApp app("Named");
        EXPECT_EQ(AfxGetApp(), &app);
        EXPECT_STREQ(app.m_pszAppName, "Named");
        {
            CWinApp second;
            EXPECT_EQ(AfxGetApp(), &app);
            EXPECT_EQ(second.m_pszAppName, nullptr);
        }
        EXPECT_EQ(AfxGetApp(), &app);
    }
    EXPECT_EQ(AfxGetApp(), nullptr);
}

TEST(WinApp, InstanceHandleIsTheProgramsModule) {
    HINSTANCE exe = ::GetModuleHandleA(nullptr);
    EXPECT_EQ(AfxGetInstanceHandle(), exe);
    CWinApp app;
    EXPECT_EQ(AfxGetInstanceHandle(), exe);
    app.m_hInstance = HINSTANCE(::GetModuleHandleA("kernel32.dll"));
    EXPECT_EQ(AfxGetInstanceHandle(), app.m_hInstance);
}

TEST(WinApp, RegistryKeyIsACopy) {
    CWinApp app;
    EXPECT_EQ(app.m_pszRegistryKey, nullptr);
    char key[] = "\xA5\xBB\xBE\xF7 AppWizard";
    const std::string original = key;
    app.SetRegistryKey(key);
    std::memset(key, 'x', sizeof(key) - 1);
    EXPECT_EQ(std::string(app.m_pszRegistryKey), original);
    app.SetRegistryKey(nullptr);
    EXPECT_EQ(app.m_pszRegistryKey, nullptr);
}

TEST(WinApp, LoadsIconsFromTheProgram) {
    CWinApp app;
    EXPECT_NE(app.LoadIcon(IDR_MAINFRAME), nullptr);
    EXPECT_EQ(app.LoadIcon(4242), nullptr);
}

struct ScriptedApp : CWinApp {
    explicit ScriptedApp(BOOL answer) : answer(answer) {}
    BOOL InitInstance() override {
        calls += "init;";
        instanceAtInit = m_hInstance;
        return answer;
    }
    int ExitInstance() override {
        calls += "exit;";
        return 17;
    }
    BOOL answer;
    std::string calls;
    HINSTANCE instanceAtInit = nullptr;
};

TEST(WinMain, RunsInitInstanceThenEndsWithExitInstance) {
    for (BOOL answer : {FALSE, TRUE}) {
        SCOPED_TRACE(answer);
        ScriptedApp app(answer);
        HINSTANCE exe = ::GetModuleHandleA(nullptr);
        char commandLine[] = "";
        EXPECT_EQ(WinMain(exe, nullptr, commandLine, SW_SHOWNORMAL), 17);
        EXPECT_EQ(app.calls, "init;exit;");
        EXPECT_EQ(app.instanceAtInit, exe);
    }
}

TEST(WinMain, WithoutAnApplicationObjectFails) {
    char commandLine[] = "";
    EXPECT_EQ(WinMain(::GetModuleHandleA(nullptr), nullptr, commandLine, SW_SHOWNORMAL), -1);
}

}  // namespace
