// A small heap-backed text string, enough for captions, window texts and messages.
#pragma once
#include <stddef.h>

class CString {
public:
    CString();
    CString(const char* text);
    CString(const CString& other);
    ~CString();
    CString& operator=(const char* text);
    CString& operator=(const CString& other);
    CString& operator+=(const char* text);
    friend CString operator+(const CString& left, const char* right);

    int GetLength() const { return m_length; }
    bool IsEmpty() const { return m_length == 0; }
    operator const char*() const { return m_text; }
    // Gives a writable buffer of at least minLength characters plus the terminator;
    // ReleaseBuffer re-reads the length after the caller has written into it.
    char* GetBuffer(int minLength);
    void ReleaseBuffer();

private:
    void Assign(const char* text, size_t length);
    char* m_text;
    int m_length;
};
