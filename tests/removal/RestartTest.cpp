// RestartSystem really asks Wine to restart: run only in a throwaway prefix. Wine's
// ExitWindowsEx returns and has wineboot ask every program with a window whether the session
// may end, and end those programs, moments later; so this program shows a window, keeps it
// answering, and is not restarted if it is still alive after a generous wait. run_removal.py
// checks that the first marker exists and the second does not. The flags of the restart and
// the administrator test are checked under every emulated version.
#include "tests/removal/RemovalHarness.h"

#include <stdlib.h>

#include "cleaner/Restart.h"
#include "cleaner/RuntimeLink.h"

namespace {

bool s_refuseToEnd;

// Answers the end-of-session question as a program whose user keeps an unsaved document.
LRESULT CALLBACK SessionWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_QUERYENDSESSION) return s_refuseToEnd ? FALSE : TRUE;
    return DefWindowProcA(window, message, wParam, lParam);
}

void ShowSessionWindow(bool refuseToEnd) {
    s_refuseToEnd = refuseToEnd;
    WNDCLASSA windowClass = {};
    windowClass.lpfnWndProc = SessionWindowProc;
    windowClass.hInstance = GetModuleHandleA(NULL);
    windowClass.lpszClassName = "SwRestartTest";
    RegisterClassA(&windowClass);
    CreateWindowA("SwRestartTest", "restart test", WS_OVERLAPPEDWINDOW | WS_VISIBLE, 0, 0, 200, 100, NULL, NULL,
                  windowClass.hInstance, NULL);
}

void AnswerMessagesFor(DWORD milliseconds) {
    for (DWORD start = GetTickCount(); GetTickCount() - start < milliseconds;) {
        MSG msg;
        while (PeekMessageA(&msg, NULL, 0, 0, PM_REMOVE)) DispatchMessageA(&msg);
        MsgWaitForMultipleObjects(0, NULL, FALSE, 50, QS_ALLINPUT);
    }
}

}   // namespace

TEST(Restart, EndsTheProcess) {
    CreateDirectoryA("C:\\removal", NULL);
    ShowSessionWindow(false);
    WriteFileBytes("C:\\removal\\restart-called", "");
    ASSERT_TRUE(MayRestart());
    RestartSystem(false);
    AnswerMessagesFor(20000);
    WriteFileBytes("C:\\removal\\restart-returned", "");
    FAIL() << "still running long after RestartSystem";
}

// A program that does not agree to end (its user has a document to save) stops the restart
// instead of being closed without being asked.
TEST(RestartRefused, AProgramThatKeepsItsDocumentKeepsRunning) {
    ShowSessionWindow(true);
    ASSERT_TRUE(MayRestart());
    RestartSystem(false);
    AnswerMessagesFor(15000);
    SUCCEED() << "still running: the restart waits for the user";
}

// Windows 2000 and later force only a program that does not answer; the 9x line and NT 4 do
// not know how.
TEST(RestartFlags, ForceOnlyAHungProgramWhereTheSystemKnowsHow) {
    struct Row {
        const char* version;
        UINT flags;
    };
    static const Row rows[] = {
        {"win98", EWX_REBOOT},        {"nt40", EWX_REBOOT},        {"win2k", EWX_REBOOT | 0x10},
        {"winxp", EWX_REBOOT | 0x10}, {"win7", EWX_REBOOT | 0x10}, {"win31", EWX_REBOOT},
    };
    const char* version = getenv("SW_WINDOWS_VERSION");
    ASSERT_TRUE(version != NULL) << "run through run_removal.py, which sets the version";
    for (const Row& row : rows) {
        if (strcmp(row.version, version) != 0) continue;
        EXPECT_EQ(RestartFlags(), row.flags);
        return;
    }
    FAIL() << "no expectation for " << version;
}

// Wine runs its programs as an administrator; tokens without the group are built here.
TEST(Privileges, AdministratorGroupCountsOnlyWhenEnabledForUse) {
    EXPECT_TRUE(RunsAsAdministrator());
    SID_IDENTIFIER_AUTHORITY nt = {SECURITY_NT_AUTHORITY};
    PSID administrators = NULL, users = NULL;
    ASSERT_TRUE(AllocateAndInitializeSid(&nt, 2, SECURITY_BUILTIN_DOMAIN_RID, DOMAIN_ALIAS_RID_ADMINS, 0, 0, 0, 0, 0, 0,
                                         &administrators));
    ASSERT_TRUE(AllocateAndInitializeSid(&nt, 2, SECURITY_BUILTIN_DOMAIN_RID, DOMAIN_ALIAS_RID_USERS, 0, 0, 0, 0, 0, 0,
                                         &users));
    struct Row {
        PSID last;
        DWORD attributes;
        bool granted;
    };
    const Row rows[] = {
        {administrators, SE_GROUP_ENABLED, true},
        {administrators, SE_GROUP_ENABLED | SE_GROUP_USE_FOR_DENY_ONLY, false},   // Vista's filtered token
        {administrators, SE_GROUP_USE_FOR_DENY_ONLY, false},
        {administrators, 0, false},
        {users, SE_GROUP_ENABLED, false},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.attributes);
        struct {
            TOKEN_GROUPS head;
            SID_AND_ATTRIBUTES more;
        } groups = {{2, {{users, SE_GROUP_ENABLED}}}, {row.last, row.attributes}};
        EXPECT_EQ(GroupsGrantAdministrator(groups.head, administrators), row.granted);
    }
    FreeSid(users);
    FreeSid(administrators);
}

// Windows 95's ADVAPI32 may lack a token function: what stands in for it fails as the call would.
TEST(Privileges, AMissingAdvapi32FunctionFailsAsItsCall) {
    auto openToken = LookUpAdvapi32<decltype(&::OpenProcessToken)>("OpenProcessTokenOfNoSystem");
    HANDLE token = NULL;
    SetLastError(0xdeadbeef);
    EXPECT_FALSE(openToken(GetCurrentProcess(), TOKEN_QUERY, &token));
    EXPECT_EQ(GetLastError(), (DWORD)ERROR_CALL_NOT_IMPLEMENTED);
    EXPECT_TRUE(token == NULL);
}
