// RestartSystem really asks Wine to restart: run only in a throwaway prefix. Wine's
// ExitWindowsEx returns and has wineboot end the prefix's processes moments later, so a
// process still alive after a generous wait was not restarted. run_removal.py checks that the
// first marker exists and the second does not. The flags of the restart and the
// administrator test are checked under every emulated version.
#include "tests/removal/RemovalHarness.h"

#include <stdlib.h>

#include "cleaner/Restart.h"

TEST(Restart, EndsTheProcess) {
    CreateDirectoryA("C:\\removal", NULL);
    WriteFileBytes("C:\\removal\\restart-called", "");
    RestartSystem();
    Sleep(20000);
    WriteFileBytes("C:\\removal\\restart-returned", "");
    FAIL() << "still running long after RestartSystem";
}

// Programs are asked to close (a document left open can be saved); only Windows 2000 and
// later know to force a program that does not answer.
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

// Wine runs its programs as an administrator; a token without the group is built here.
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
