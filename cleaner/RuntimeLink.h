// Functions that only some Windows versions have are looked up at run time, never imported.
#pragma once
#include <windows.h>

// GetProcAddress answers with a generic function pointer; the caller names the real type.
template <class Fn>
Fn LookUp(HMODULE module, const char* name) {
    return module ? (Fn)(void*)GetProcAddress(module, name) : (Fn)0;
}

template <class Fn>
Fn LookUpKernel32(const char* name) {
    return LookUp<Fn>(GetModuleHandleA("kernel32.dll"), name);
}

// What stands in for a function the system lacks: it fails as the call fails on a system that
// cannot do what it asks (FALSE, a null handle), with the error the 9x line's stubs give.
template <class Fn>
struct MissingFunction;
template <class Result, class... Args>
struct MissingFunction<Result(WINAPI*)(Args...)> {
    static Result WINAPI Call(Args...) {
        SetLastError(ERROR_CALL_NOT_IMPLEMENTED);
        return Result();
    }
};

// ADVAPI32 is loaded in every process of the program (its registry functions are imported),
// but Windows 95's may lack any of its other functions: the answer is never null.
template <class Fn>
Fn LookUpAdvapi32(const char* name) {
    Fn function = LookUp<Fn>(GetModuleHandleA("advapi32.dll"), name);
    return function ? function : &MissingFunction<Fn>::Call;
}
