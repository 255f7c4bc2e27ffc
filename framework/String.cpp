// CString: a growable text with its own copy of the characters.
#include "framework/String.h"
#include <stdlib.h>
#include <string.h>

static char s_empty[1] = {0};

CString::CString() : m_text(s_empty), m_length(0) {}
CString::CString(const char* text) : CString() { *this = text; }
CString::CString(const CString& other) : CString() { *this = other; }

CString::~CString() {
    if (m_text != s_empty) free(m_text);
}

void CString::Assign(const char* text, size_t length) {
    char* copy = (char*)malloc(length + 1);
    if (!copy)
        length = 0, copy = s_empty;   // out of memory: the string becomes empty
    else {
        memcpy(copy, text, length);
        copy[length] = 0;
    }
    if (m_text != s_empty) free(m_text);
    m_text = copy;
    m_length = (int)length;
}

CString& CString::operator=(const char* text) {
    if (text != m_text) Assign(text ? text : "", text ? strlen(text) : 0);
    return *this;
}

CString& CString::operator=(const CString& other) { return *this = other.m_text; }

CString& CString::operator+=(const char* text) {
    size_t extra = text ? strlen(text) : 0;
    char* joined = (char*)malloc(m_length + extra + 1);
    if (!joined) return *this;
    memcpy(joined, m_text, m_length);
    memcpy(joined + m_length, text, extra);
    joined[m_length + extra] = 0;
    if (m_text != s_empty) free(m_text);
    m_text = joined;
    m_length += (int)extra;
    return *this;
}

CString operator+(const CString& left, const char* right) {
    CString joined(left);
    joined += right;
    return joined;
}

char* CString::GetBuffer(int minLength) {
    if (minLength < m_length) minLength = m_length;
    char* buffer = (char*)malloc(minLength + 1);
    if (!buffer) return 0;
    memcpy(buffer, m_text, m_length + 1);
    if (m_text != s_empty) free(m_text);
    m_text = buffer;
    return m_text;
}

void CString::ReleaseBuffer() { m_length = (int)strlen(m_text); }
