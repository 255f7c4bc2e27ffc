// Real windows and pixels for the skin tests: a host dialog, colours read back, the message dialog's loop.
#include "tests/skin/SkinTestSupport.h"
#include <stdio.h>
#include "skin/MsgDlg.h"

Image CaptureDC(HDC dc, int x, int y, int width, int height) {
    Image image;
    if (width <= 0 || height <= 0) return image;
    BITMAPINFO info = {};
    info.bmiHeader.biSize = sizeof info.bmiHeader;
    info.bmiHeader.biWidth = width;
    info.bmiHeader.biHeight = -height;   // top-down
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 32;
    void* bits = 0;
    HBITMAP section = CreateDIBSection(dc, &info, DIB_RGB_COLORS, &bits, 0, 0);
    if (!section) return image;
    HDC memory = CreateCompatibleDC(dc);
    HGDIOBJ old = SelectObject(memory, section);
    BitBlt(memory, 0, 0, width, height, dc, x, y, SRCCOPY);
    GdiFlush();
    image.width = width;
    image.height = height;
    image.pixels.resize((size_t)width * height);
    const unsigned char* p = (const unsigned char*)bits;
    for (size_t i = 0; i < image.pixels.size(); ++i, p += 4) image.pixels[i] = RGB(p[2], p[1], p[0]);
    SelectObject(memory, old);
    DeleteDC(memory);
    DeleteObject(section);
    return image;
}

Image CaptureClient(HWND hwnd) {
    RECT client;
    GetClientRect(hwnd, &client);
    HDC dc = GetDC(hwnd);
    Image image = CaptureDC(dc, 0, 0, client.right, client.bottom);
    ReleaseDC(hwnd, dc);
    return image;
}

Image PaintedClient(HWND hwnd) {
    RedrawWindow(hwnd, 0, 0, RDW_UPDATENOW);
    return CaptureClient(hwnd);
}

Image ImageOfBitmap(HBITMAP bitmap) {
    BITMAP size;
    if (!bitmap || !GetObjectA(bitmap, sizeof size, &size)) return Image();
    HDC memory = CreateCompatibleDC(0);
    HGDIOBJ old = SelectObject(memory, bitmap);
    Image image = CaptureDC(memory, 0, 0, size.bmWidth, size.bmHeight);
    SelectObject(memory, old);
    DeleteDC(memory);
    return image;
}

Image Crop(const Image& image, int x, int y, int width, int height) {
    Image part;
    part.width = width;
    part.height = height;
    for (int row = y; row < y + height; ++row)
        for (int col = x; col < x + width; ++col) part.pixels.push_back(image.At(col, row));
    return part;
}

static const char* ColorText(COLORREF c, char* text, size_t size) {
    _snprintf(text, size, "%02X%02X%02X", GetRValue(c), GetGValue(c), GetBValue(c));
    text[size - 1] = 0;
    return text;
}

::testing::AssertionResult SameImage(const Image& expected, const Image& actual) {
    if (expected.width != actual.width || expected.height != actual.height)
        return ::testing::AssertionFailure() << "size " << actual.width << "x" << actual.height << ", expected "
                                             << expected.width << "x" << expected.height;
    if (expected.pixels.empty()) return ::testing::AssertionFailure() << "no pixels to compare";
    for (int y = 0; y < expected.height; ++y)
        for (int x = 0; x < expected.width; ++x)
            if (expected.At(x, y) != actual.At(x, y)) {
                char a[8], e[8];
                return ::testing::AssertionFailure()
                       << "pixel (" << x << ", " << y << ") is " << ColorText(actual.At(x, y), a, sizeof a)
                       << ", expected " << ColorText(expected.At(x, y), e, sizeof e);
            }
    return ::testing::AssertionSuccess();
}

::testing::AssertionResult AllPixels(const Image& image, COLORREF color) {
    if (image.pixels.empty()) return ::testing::AssertionFailure() << "no pixels";
    for (int y = 0; y < image.height; ++y)
        for (int x = 0; x < image.width; ++x)
            if (image.At(x, y) != color) {
                char a[8], e[8];
                return ::testing::AssertionFailure()
                       << "pixel (" << x << ", " << y << ") is " << ColorText(image.At(x, y), a, sizeof a)
                       << ", expected " << ColorText(color, e, sizeof e);
            }
    return ::testing::AssertionSuccess();
}

HBITMAP LoadProgramBitmap(const char* name) {
    return (HBITMAP)LoadImageA(GetModuleHandleA(0), name, IMAGE_BITMAP, 0, 0, LR_LOADMAP3DCOLORS);
}

Canvas::Canvas(int w, int h, COLORREF fill) : width(w), height(h) {
    HDC screen = GetDC(0);
    dc = CreateCompatibleDC(screen);
    surface = CreateCompatibleBitmap(screen, w, h);
    ReleaseDC(0, screen);
    previous = SelectObject(dc, surface);
    HBRUSH brush = CreateSolidBrush(fill);
    RECT all = {0, 0, w, h};
    FillRect(dc, &all, brush);
    DeleteObject(brush);
}

Canvas::~Canvas() {
    SelectObject(dc, previous);
    DeleteObject(surface);
    DeleteDC(dc);
}

void PumpWaiting() {
    MSG msg;
    while (PeekMessageA(&msg, 0, 0, 0, PM_REMOVE)) {
        TranslateMessage(&msg);
        DispatchMessageA(&msg);
    }
}

static INT_PTR CALLBACK HostProc(HWND, UINT message, WPARAM, LPARAM) { return message == WM_INITDIALOG; }

ButtonHost::ButtonHost() {
    HWND dialog = CreateDialogParamA(GetModuleHandleA(0), MAKEINTRESOURCEA(IDD_BUTTON_HOST), 0, HostProc, 0);
    window.SubclassWindow(dialog);
    SetWindowPos(dialog, HWND_TOP, 0, 0, 0, 0, SWP_NOSIZE | SWP_SHOWWINDOW);
    SetForegroundWindow(dialog);
    SetActiveWindow(dialog);
    SetFocus(0);   // no control keeps the focus the dialog gave it: each test gives it
    PumpWaiting();
}

ButtonHost::~ButtonHost() {
    if (window.m_hWnd) DestroyWindow(window.m_hWnd);
    PumpWaiting();
}

Image ButtonHost::Shot(int id) const { return PaintedClient(Item(id)); }

// The message dialog run: one test step from a thread timer inside the modal loop.

namespace {
struct ModalStep {
    std::function<void(HWND)> step;
    bool done = false;
    DWORD start = 0;
};
ModalStep* s_modal;

BOOL CALLBACK FindMessageDialog(HWND hwnd, LPARAM found) {
    if (GetDlgItem(hwnd, IDC_MSG_TEXT) && GetDlgItem(hwnd, IDC_OK_ONLY)) {
        *(HWND*)found = hwnd;
        return FALSE;
    }
    return TRUE;
}

void CALLBACK ModalTick(HWND, UINT, UINT_PTR, DWORD) {
    if (!s_modal) return;
    HWND dialog = 0;
    EnumThreadWindows(GetCurrentThreadId(), FindMessageDialog, (LPARAM)&dialog);
    if (!dialog) return;
    if (GetTickCount() - s_modal->start > 5000) {
        EndDialog(dialog, kTimedOut);
    } else if (!s_modal->done && IsWindowVisible(dialog)) {
        s_modal->done = true;
        RedrawWindow(dialog, 0, 0, RDW_INVALIDATE | RDW_ERASE | RDW_UPDATENOW | RDW_ALLCHILDREN);
        s_modal->step(dialog);
    }
}
}   // namespace

int RunModal(std::function<int()> show, std::function<void(HWND)> step) {
    ModalStep modal;
    modal.step = step;
    modal.start = GetTickCount();
    s_modal = &modal;
    UINT_PTR timer = SetTimer(0, 0, 40, ModalTick);
    int result = show();
    KillTimer(0, timer);
    s_modal = 0;
    PumpWaiting();
    return result;
}

int RunMessageBox(const char* text, const char* caption, UINT flags, std::function<void(HWND)> step) {
    return RunModal([&] { return ToolMessageBox(text, caption, flags); }, step);
}
