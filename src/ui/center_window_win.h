// Brings a window back to the middle of the screen.
#ifndef YARROWMELD_CENTER_WINDOW_WIN_H
#define YARROWMELD_CENTER_WINDOW_WIN_H

#include <windows.h>

void center_window(HWND window);

#endif
