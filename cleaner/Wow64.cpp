// The 64-bit system's differences: registry views and WOW64 file-system redirection. The
// WOW64 functions exist only on systems that have WOW64, so they are looked up at run time.
#include "cleaner/Wow64.h"

#include "cleaner/RuntimeLink.h"

#ifndef KEY_WOW64_64KEY
#define KEY_WOW64_64KEY 0x0100
#define KEY_WOW64_32KEY 0x0200
#endif

typedef BOOL(WINAPI* IsWow64ProcessFn)(HANDLE, PBOOL);
typedef BOOL(WINAPI* DisableRedirectionFn)(PVOID*);
typedef BOOL(WINAPI* RevertRedirectionFn)(PVOID);
typedef BOOLEAN(WINAPI* EnableRedirectionFn)(BOOLEAN);

#ifndef _WIN64
static bool IsWow64Process32()
{
    IsWow64ProcessFn isWow64 = LookUpKernel32<IsWow64ProcessFn>("IsWow64Process");
    BOOL wow64 = FALSE;
    return isWow64 && isWow64(GetCurrentProcess(), &wow64) && wow64;
}
#endif

bool Is64BitSystem()
{
#ifdef _WIN64
    return true;
#else
    return IsWow64Process32();
#endif
}

int GetRegistryViews(REGSAM views[2])
{
    if (!Is64BitSystem()) {
        views[0] = 0;
        return 1;
    }
    views[0] = KEY_WOW64_64KEY;
    views[1] = KEY_WOW64_32KEY;
    return 2;
}

#ifdef _WIN64
CFsRedirectionOff::CFsRedirectionOff() : m_oldValue(0), m_bChanged(false) {}
CFsRedirectionOff::~CFsRedirectionOff() {}
CFsRedirectionOn::CFsRedirectionOn() : m_bChanged(false) {}
CFsRedirectionOn::~CFsRedirectionOn() {}
#else
CFsRedirectionOff::CFsRedirectionOff() : m_oldValue(0), m_bChanged(false)
{
    DisableRedirectionFn disable = LookUpKernel32<DisableRedirectionFn>("Wow64DisableWow64FsRedirection");
    m_bChanged = disable && IsWow64Process32() && disable(&m_oldValue);
}

CFsRedirectionOff::~CFsRedirectionOff()
{
    RevertRedirectionFn revert = LookUpKernel32<RevertRedirectionFn>("Wow64RevertWow64FsRedirection");
    if (m_bChanged && revert)
        revert(m_oldValue);
}

// Wow64EnableWow64FsRedirection switches the thread's redirection without nesting; it is
// used only to bracket a library load inside a CFsRedirectionOff.
CFsRedirectionOn::CFsRedirectionOn() : m_bChanged(false)
{
    EnableRedirectionFn enable = LookUpKernel32<EnableRedirectionFn>("Wow64EnableWow64FsRedirection");
    m_bChanged = enable && IsWow64Process32() && enable(TRUE);
}

CFsRedirectionOn::~CFsRedirectionOn()
{
    EnableRedirectionFn enable = LookUpKernel32<EnableRedirectionFn>("Wow64EnableWow64FsRedirection");
    if (m_bChanged)
        enable(FALSE);
}
#endif
