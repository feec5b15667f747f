// The status window with the title and the two countdowns, and the tick
// of its entry in the tray menu.
#ifndef YARROWMELD_STATUS_WINDOW_WIN_H
#define YARROWMELD_STATUS_WINDOW_WIN_H

#include <windows.h>

INT_PTR CALLBACK status_window_proc(HWND, UINT, WPARAM, LPARAM);
// Marks the window as wanted and opens it unless it is open.
void status_window_open(void);
// Marks the window as not wanted and closes it when it is open.
void status_window_close(void);
// Puts the title and the two countdowns into the open status window.
void show_status_counts(void);

#endif
