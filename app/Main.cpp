// The program's entry point: the one application object and the framework's start.
#include "app/ToolApp.h"

CToolApp theApp;

int WINAPI WinMain(HINSTANCE hInstance, HINSTANCE, LPSTR, int) { return AfxWinMain(hInstance); }
