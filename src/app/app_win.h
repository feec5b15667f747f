// The program-wide Settings record and the calls of the shell (start-up and
// message loop) that the other Win32 files make. Each Win32 file that
// others call declares its own in a header beside it. Win32 only.
#ifndef YARROWMELD_APP_WIN_H
#define YARROWMELD_APP_WIN_H

#include <windows.h>

#include "app/ids.h"
#include "app/settings_file.h"

#define PRODUCT_NAME "Yarrowmeld"

// NOTIFYICONDATAA as Windows 2000 knew it: 88 bytes with a 64-byte tip.
struct TrayIconRecord {
    DWORD cbSize;
    HWND hWnd;
    UINT uID;
    UINT uFlags;
    UINT uCallbackMessage;
    HICON hIcon;
    CHAR szTip[64];
};
static_assert(sizeof(TrayIconRecord) == 88, "the 88-byte tray record");

// The program's state; the part that the settings file keeps comes first.
struct Settings : StoredSettings {
    char ini_path[1024];
    // 1 while the file that start-up could not read is kept from the
    // automatic saves; the user's own save or start clears it.
    int ini_unreadable;
    int update_left;
    int post_left;
    int running;
    int post_guard;
    int readme_available;
    int readme_search;
    int readme_search_ticks;
    int status_shown;
    RECT status_window_rect;
    RECT settings_window_rect;
    RECT about_window_rect;
    int window_left;
    int window_top;
    HINSTANCE instance;
    HWND main_window;
    HWND settings_dialog;
    HWND about_dialog;
    HWND status_window;
    HWND readme_viewer;
    HWND rich_edit;
    HMODULE rich_edit_module;
    HWND target_frame;
    HWND target_page;
    HMENU tray_menu;
    TrayIconRecord tray_icon;
    UINT taskbar_created;
    HACCEL accelerators;
    int update_timer;
    int post_timer;
    int tick_timer;
};

extern Settings g;

// main_win.cpp (start-up, message loop)
void report_fatal(HWND owner, const char *text);
// Shell_NotifyIconA with the 88-byte record
BOOL tray_notify(DWORD message);

// SetTimer without a callback; when no timer can be had, the fatal report
// and the end of the program. SetTimer's result.
inline UINT_PTR set_timer_or_quit(HWND window, UINT id, UINT ms) {
    UINT_PTR made = SetTimer(window, id, ms, nullptr);
    if (!made) {
        report_fatal(g.main_window, "タイマーが確保できません。");
        PostQuitMessage(0);
    }
    return made;
}

#endif
