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
