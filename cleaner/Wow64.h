// What a 64-bit Windows changes for the program, decided once: whether the system is 64-bit,
// which registry views hold the autorun and uninstall keys, and the file-system redirection
// that a 32-bit program under WOW64 must switch off to see System32 as itself.
#pragma once
#include <windows.h>

// True for the 64-bit build, and for the 32-bit build when it runs under WOW64.
bool Is64BitSystem();

// True only for the 32-bit build under WOW64 when the process (opened with
// PROCESS_QUERY_INFORMATION) is a 64-bit one: its modules cannot be read from here.
bool IsForeign64BitProcess(HANDLE process);

// The registry views to clean: KEY_WOW64_64KEY and KEY_WOW64_32KEY on a 64-bit system, one
// plain view (0) elsewhere, so that Windows 2000 and older never see the flags. Returns the count.
int GetRegistryViews(REGSAM views[2]);

// Turns WOW64 file-system redirection off for its lifetime (32-bit build under WOW64 only;
// elsewhere it does nothing). It is set around each file-system call of the scan (listing,
// attributes, opening, deleting, the restart requests) and nowhere else: anything else may
// load a library (a message, a window, a hook, a process check), which must come from the
// 32-bit system folder that redirection gives. Guards nest: an inner one leaves the state
// alone.
class CFsRedirectionOff {
public:
    CFsRedirectionOff();
    ~CFsRedirectionOff();
    CFsRedirectionOff(const CFsRedirectionOff&) = delete;
    CFsRedirectionOff& operator=(const CFsRedirectionOff&) = delete;

private:
    void* m_oldValue;
    bool m_bChanged;
};

// One call with redirection off: FindFirstFileA, FindNextFileA and the like, where a guard
// around a larger block would also cover what the block does with the result.
template <class Call>
auto WithRedirectionOff(Call call) -> decltype(call()) {
    CFsRedirectionOff asItIs;
    return call();
}
