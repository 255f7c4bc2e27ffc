// Real windows and pixels for the skin tests: a host dialog for the bitmap buttons and the
// label, window and bitmap contents read back as colours, and the message dialog run with a
// test step inside its modal loop.
#pragma once
#include <windows.h>
#include <functional>
#include <vector>
#include "gtest/gtest.h"
#include "framework/Wnd.h"
#include "res/resource.h"
#include "tests/skin/SkinTestIds.h"

// Colours as COLORREF values (0x00BBGGRR), row by row from the top.
struct Image {
    int width = 0;
    int height = 0;
    std::vector<COLORREF> pixels;
    COLORREF At(int x, int y) const { return pixels[(size_t)y * width + x]; }
};

// The client area of a window as it is on the screen now.
Image CaptureClient(HWND hwnd);
// The same after painting what the window has invalidated.
Image PaintedClient(HWND hwnd);
// Whatever a device context shows in the given rectangle.
Image CaptureDC(HDC dc, int x, int y, int width, int height);
Image ImageOfBitmap(HBITMAP bitmap);
Image Crop(const Image& image, int x, int y, int width, int height);
// Same size and the same colour everywhere; the message names the first difference.
::testing::AssertionResult SameImage(const Image& expected, const Image& actual);
// Every pixel has this colour.
::testing::AssertionResult AllPixels(const Image& image, COLORREF color);

// A bitmap resource of this program loaded the way the buttons load theirs.
HBITMAP LoadProgramBitmap(const char* name);

// A graphics object (bitmap, region) that the test owns for its length.
template <class Handle>
struct OwnedGdi {
    explicit OwnedGdi(Handle h) : handle(h) {}
    ~OwnedGdi() {
        if (handle) DeleteObject(handle);
    }
    OwnedGdi(const OwnedGdi&) = delete;
    OwnedGdi& operator=(const OwnedGdi&) = delete;
    Handle handle;
};
typedef OwnedGdi<HBITMAP> OwnedBitmap;
typedef OwnedGdi<HRGN> OwnedRegion;

// A memory DC over a screen-compatible bitmap filled with one colour.
struct Canvas {
    Canvas(int width, int height, COLORREF fill);
    ~Canvas();
    Canvas(const Canvas&) = delete;
    Canvas& operator=(const Canvas&) = delete;
    Image Read() const { return CaptureDC(dc, 0, 0, width, height); }
    int width, height;
    HDC dc;
    HBITMAP surface;
    HGDIOBJ previous;
};

// Handles every message waiting for this thread.
void PumpWaiting();

// Template IDD_BUTTON_HOST as a visible, active modeless dialog at the screen origin. Its
// window object reflects owner-draw requests to the bitmap buttons, as a dialog of the program does.
class ButtonHost {
public:
    ButtonHost();
    ~ButtonHost();
    ButtonHost(const ButtonHost&) = delete;
    ButtonHost& operator=(const ButtonHost&) = delete;
    HWND Item(int id) const { return GetDlgItem(window.m_hWnd, id); }
    // Paints what the control has invalidated and reads back its client area.
    Image Shot(int id) const;
    CWnd window;
};

// Runs `show`, which opens a message dialog modally; `step` runs once inside its modal loop,
// after the dialog has been shown and painted, with the dialog's handle, and should end it.
// A dialog still open 5 s later is ended with kTimedOut.
constexpr int kTimedOut = -77;
int RunModal(std::function<int()> show, std::function<void(HWND)> step);
// The same for ToolMessageBox.
int RunMessageBox(const char* text, const char* caption, UINT flags, std::function<void(HWND)> step);
