// Graphics objects that own their handles (deleted exactly once, never copied) and device
// contexts: CDC owns a memory DC it created, CPaintDC ends its painting, CClientDC releases
// its DC, and a CDC made from a handle is a view that releases nothing.
#pragma once
#include <windows.h>

class CWnd;

class CGdiObject {
public:
    CGdiObject() : m_hObject(0) {}
    ~CGdiObject() { DeleteObject(); }
    CGdiObject(const CGdiObject&) = delete;
    CGdiObject& operator=(const CGdiObject&) = delete;

    HGDIOBJ m_hObject;
    HGDIOBJ GetSafeHandle() const { return m_hObject; }
    // Takes ownership of a handle, deleting the one held before.
    void Attach(HGDIOBJ hObject);
    HGDIOBJ Detach();
    bool DeleteObject();
};

class CBitmap : public CGdiObject {
public:
    operator HBITMAP() const { return (HBITMAP)m_hObject; }
    // A bitmap resource at its stored size with the 3-D greys mapped to the system colours.
    bool LoadMappedBitmap(HINSTANCE hInstance, const char* name);
    bool GetBitmap(BITMAP* info) const;
};

class CRgn : public CGdiObject {
public:
    operator HRGN() const { return (HRGN)m_hObject; }
};

class CFont : public CGdiObject {
public:
    operator HFONT() const { return (HFONT)m_hObject; }
    bool CreateFontIndirect(const LOGFONTA* logFont);
};

class CBrush : public CGdiObject {
public:
    operator HBRUSH() const { return (HBRUSH)m_hObject; }
    bool CreateSolidBrush(COLORREF color);
};

class CDC {
public:
    CDC() : m_hDC(0), m_bOwned(false) {}
    // A view of a device context that another party owns, for as long as this object lives.
    explicit CDC(HDC hDCView) : m_hDC(hDCView), m_bOwned(false) {}
    virtual ~CDC();
    CDC(const CDC&) = delete;
    CDC& operator=(const CDC&) = delete;

    HDC m_hDC;
    operator HDC() const { return m_hDC; }

    bool CreateCompatibleDC(CDC* pDC);
    HGDIOBJ SelectObject(HGDIOBJ hObject) { return ::SelectObject(m_hDC, hObject); }
    int SetBkMode(int mode) { return ::SetBkMode(m_hDC, mode); }
    COLORREF SetTextColor(COLORREF color) { return ::SetTextColor(m_hDC, color); }
    COLORREF SetBkColor(COLORREF color) { return ::SetBkColor(m_hDC, color); }
    int DrawText(const char* text, int length, RECT* rect, UINT format) {
        return ::DrawTextA(m_hDC, text, length, rect, format);
    }
    SIZE GetTextExtent(const char* text, int length) const;
    BOOL BitBlt(int x, int y, int width, int height, CDC* pSrc, int xSrc, int ySrc, DWORD rop) {
        return ::BitBlt(m_hDC, x, y, width, height, pSrc ? pSrc->m_hDC : 0, xSrc, ySrc, rop);
    }
    int GetDeviceCaps(int index) const { return ::GetDeviceCaps(m_hDC, index); }

protected:
    bool m_bOwned;
};

class CPaintDC : public CDC {
public:
    explicit CPaintDC(CWnd* pWnd);
    ~CPaintDC() override;
    PAINTSTRUCT m_ps;

private:
    HWND m_hWnd;
};

class CClientDC : public CDC {
public:
    explicit CClientDC(CWnd* pWnd);
    ~CClientDC() override;

private:
    HWND m_hWnd;
};
