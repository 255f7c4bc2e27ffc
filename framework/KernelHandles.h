// Kernel objects that own their handles, siblings of the GDI owners: a process, token or file
// handle, a registry key, a search handle and a service handle. Each closes once, in its
// destructor or on Attach, is never copied and can be moved; the raw handle is a view.
#pragma once
#include <windows.h>

// Traits: the value that means "no handle", and how one is closed.
struct KernelHandleTraits {
    static HANDLE Invalid() { return NULL; }
    static void Close(HANDLE h) { ::CloseHandle(h); }
};
// CreateFile and CreateToolhelp32Snapshot answer INVALID_HANDLE_VALUE on failure.
struct FileHandleTraits {
    static HANDLE Invalid() { return INVALID_HANDLE_VALUE; }
    static void Close(HANDLE h) { ::CloseHandle(h); }
};
struct FindHandleTraits {
    static HANDLE Invalid() { return INVALID_HANDLE_VALUE; }
    static void Close(HANDLE h) { ::FindClose(h); }
};
struct RegKeyTraits {
    static HKEY Invalid() { return NULL; }
    static void Close(HKEY h) { ::RegCloseKey(h); }
};
struct LibraryTraits {
    static HMODULE Invalid() { return NULL; }
    static void Close(HMODULE h) { ::FreeLibrary(h); }
};
struct ServiceHandleTraits {
    static SC_HANDLE Invalid() { return NULL; }
    static void Close(SC_HANDLE h) { ::CloseServiceHandle(h); }
};

template <class T, class Traits>
class COwnedHandle {
public:
    COwnedHandle() : m_h(Traits::Invalid()) {}
    explicit COwnedHandle(T h) : m_h(h) {}
    ~COwnedHandle() { Close(); }
    COwnedHandle(const COwnedHandle&) = delete;
    COwnedHandle& operator=(const COwnedHandle&) = delete;
    COwnedHandle(COwnedHandle&& other) : m_h(other.Detach()) {}
    COwnedHandle& operator=(COwnedHandle&& other) {
        if (this != &other) Attach(other.Detach());
        return *this;
    }

    operator T() const { return m_h; }
    bool IsValid() const { return m_h != Traits::Invalid() && m_h != T(); }
    // Takes ownership of a handle, closing the one held before.
    void Attach(T h) {
        Close();
        m_h = h;
    }
    T Detach() {
        T h = m_h;
        m_h = Traits::Invalid();
        return h;
    }
    // For calls that hand a new handle back through a pointer; closes the one held before.
    T* Receive() {
        Close();
        return &m_h;
    }
    void Close() {
        if (IsValid()) Traits::Close(m_h);
        m_h = Traits::Invalid();
    }

private:
    T m_h;
};

typedef COwnedHandle<HANDLE, KernelHandleTraits> CHandle;              // process, token, thread
typedef COwnedHandle<HANDLE, FileHandleTraits> CFileHandle;            // file, toolhelp snapshot
typedef COwnedHandle<HANDLE, FindHandleTraits> CFindHandle;            // FindFirstFileA
typedef COwnedHandle<HKEY, RegKeyTraits> CRegKey;                      // RegOpenKeyExA, RegCreateKeyExA
typedef COwnedHandle<SC_HANDLE, ServiceHandleTraits> CServiceHandle;   // OpenSCManagerA, OpenServiceA
typedef COwnedHandle<HMODULE, LibraryTraits> CLibrary;                 // LoadLibraryA
