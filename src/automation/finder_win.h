// Finding the chat's frame and page window.
#ifndef YARROWMELD_FINDER_WIN_H
#define YARROWMELD_FINDER_WIN_H

#include <windows.h>

HWND find_target_window(void);

#endif
