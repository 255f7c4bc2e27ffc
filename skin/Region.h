// The main window's shape and layout: a window region from a bitmap's pixels, and child
// windows laid out for a reference client size.
#pragma once
#include <windows.h>

// The region of the bitmap's pixels that differ from `key` (bKeyIsTransparent nonzero) or that
// equal it (zero), in the bitmap's pixel coordinates; null when the bitmap cannot be read.
// The caller owns the region.
HRGN RegionFromBitmap(HBITMAP hBitmap, COLORREF key, BOOL bKeyIsTransparent);

// Moves and resizes every child of hWnd, nested ones included, so that its client area maps
// onto refWidth x refHeight. Returns the enumeration's result; 0, moving nothing, when the
// client area or the reference size is empty.
BOOL ScaleChildWindows(HWND hWnd, int refWidth, int refHeight);
