// Kernel objects that own their handles, siblings of the GDI owners: a process, token or file
// handle, a registry key and a search handle (the service handle's owner is in
// cleaner/Advapi32.h, with the looked-up function that closes it). Each closes once, in its
// destructor or on Attach, is never copied and can be moved; the raw handle is a view.
#pragma once
#include <windows.h>
#include <stdlib.h>

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

typedef COwnedHandle<HANDLE, KernelHandleTraits> CHandle;     // process, token, thread
typedef COwnedHandle<HANDLE, FileHandleTraits> CFileHandle;   // file, toolhelp snapshot
typedef COwnedHandle<HANDLE, FindHandleTraits> CFindHandle;   // FindFirstFileA
typedef COwnedHandle<HMODULE, LibraryTraits> CLibrary;        // LoadLibraryA

// A registry value read whole: its bytes, then two zero bytes, so that a text or a list of
// texts ends however it was stored. Owns the heap block that holds them.
class CRegValue {
public:
    CRegValue() : m_data(NULL), m_size(0), m_type(REG_NONE) {}
    ~CRegValue() { free(m_data); }
    CRegValue(const CRegValue&) = delete;
    CRegValue& operator=(const CRegValue&) = delete;

    const char* Text() const { return m_data ? m_data : ""; }
    DWORD Size() const { return m_size; }   // the stored bytes, without the two zeros
    DWORD Type() const { return m_type; }

private:
    friend class CRegKey;
    char* m_data;
    DWORD m_size;
    DWORD m_type;
};

// An open registry key: RegOpenKeyExA, RegCreateKeyExA.
class CRegKey : public COwnedHandle<HKEY, RegKeyTraits> {
public:
    using COwnedHandle::COwnedHandle;

    // Sizes the value, reads it whole and ends it: ERROR_SUCCESS, or the registry's answer
    // (ERROR_MORE_DATA when the value grew between the two calls).
    LONG QueryValue(const char* name, CRegValue* value) const {
        DWORD size = 0;
        LONG status = RegQueryValueExA(*this, name, NULL, NULL, NULL, &size);
        if (status != ERROR_SUCCESS) return status;
        free(value->m_data);
        value->m_data = (char*)calloc((size_t)size + 2, 1);
        value->m_size = value->m_data ? size : 0;
        if (!value->m_data) return ERROR_NOT_ENOUGH_MEMORY;
        return RegQueryValueExA(*this, name, NULL, &value->m_type, (BYTE*)value->m_data, &value->m_size);
    }
};
