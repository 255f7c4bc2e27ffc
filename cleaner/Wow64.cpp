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

#ifndef _WIN64
static bool IsWow64Process32() {
    IsWow64ProcessFn isWow64 = LookUpKernel32<IsWow64ProcessFn>("IsWow64Process");
    BOOL wow64 = FALSE;
    return isWow64 && isWow64(GetCurrentProcess(), &wow64) && wow64;
}
#endif

bool Is64BitSystem() {
#ifdef _WIN64
    return true;
#else
    return IsWow64Process32();
#endif
}

bool IsForeign64BitProcess(HANDLE process) {
#ifdef _WIN64
    (void)process;
    return false;
#else
    IsWow64ProcessFn isWow64 = LookUpKernel32<IsWow64ProcessFn>("IsWow64Process");
    BOOL wow64 = FALSE;
    return IsWow64Process32() && isWow64(process, &wow64) && !wow64;
#endif
}

int GetRegistryViews(REGSAM views[2]) {
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
#else
// The redirection functions, looked up once; all null outside WOW64, where the guards do nothing.
struct RedirectionFunctions {
    DisableRedirectionFn disable;
    RevertRedirectionFn revert;
};

static const RedirectionFunctions& Redirection() {
    static const RedirectionFunctions functions =
        IsWow64Process32()
            ? RedirectionFunctions{LookUpKernel32<DisableRedirectionFn>("Wow64DisableWow64FsRedirection"),
                                   LookUpKernel32<RevertRedirectionFn>("Wow64RevertWow64FsRedirection")}
            : RedirectionFunctions{0, 0};
    return functions;
}

// Whether a guard has redirection off now, on the program's one thread: an inner guard that
// finds it as it wants it leaves it alone, so that guards nest in any order.
static bool s_redirectionOff;

CFsRedirectionOff::CFsRedirectionOff() : m_oldValue(0), m_bChanged(false) {
    const RedirectionFunctions& functions = Redirection();
    m_bChanged = !s_redirectionOff && functions.disable && functions.revert && functions.disable(&m_oldValue);
    if (m_bChanged) s_redirectionOff = true;
}

CFsRedirectionOff::~CFsRedirectionOff() {
    if (!m_bChanged) return;
    Redirection().revert(m_oldValue);
    s_redirectionOff = false;
}
#endif
