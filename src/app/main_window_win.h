// The main window: the tray icon, its menu and the routing of commands.
#ifndef YARROWMELD_MAIN_WINDOW_WIN_H
#define YARROWMELD_MAIN_WINDOW_WIN_H

#include <windows.h>

LRESULT CALLBACK main_window_proc(HWND, UINT, WPARAM, LPARAM);
// Puts format_tray_tip(title, running) into the tray record's tip.
void set_tray_tip(const char *title, int running);
// The tray icon id (IDI_RUNNING or IDI_STOPPED) at the system's small-icon
// size.
HICON load_tray_icon(int id);

#endif
