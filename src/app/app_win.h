// The program-wide Settings record and the operations that the Win32 parts
// of the program call across files. Win32 only.
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
// Opens a modeless dialog from a named template, owned by the main window.
HWND open_dialog(const char *template_name, DLGPROC proc);
// Opens the readme viewer unless it is open; sets the window search going.
void open_readme_viewer(void);
LRESULT CALLBACK main_window_proc(HWND, UINT, WPARAM, LPARAM);

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

// main_window_win.cpp (main window procedure, tray)
// Puts format_tray_tip(title, running) into the tray record's tip.
void set_tray_tip(const char *title, int running);

// run_control_win.cpp
void set_run_state(int state);
void start_running(void);
void stop_running(void);
void send_post(void);  // also driven by the bench of the send path
// WM_TIMER of the main window; 0 for an id that is not the main window's.
int handle_main_timer(UINT id);

// finder_win.cpp
HWND find_target_window(void);

// settings_dialog_win.cpp
INT_PTR CALLBACK settings_dialog_proc(HWND, UINT, WPARAM, LPARAM);
void center_window(HWND window);

// status_window_win.cpp
INT_PTR CALLBACK status_window_proc(HWND, UINT, WPARAM, LPARAM);
// Puts the title and the two countdowns into the open status window.
void show_status_counts(void);

// about_dialog_win.cpp
INT_PTR CALLBACK about_dialog_proc(HWND, UINT, WPARAM, LPARAM);

// dialog_common_win.cpp
void set_dialog_icon(HWND dialog);
// Adds the about entry, the readme entry or both to the top of the system
// menu (readme above about), each with a separator below it.
void add_system_menu_entries(HWND dialog, int about, int readme);
// The about dialog never outlives the actions of the other dialogs.
void close_about_dialog(void);
// When the about dialog is open: closes it, has dialog open it anew in front
// with a posted system command, and returns 1.
int reopen_about_dialog(HWND dialog);
// The dialog procedure's answer to WM_QUERYENDSESSION.
INT_PTR answer_end_of_session(HWND dialog);

// readme_viewer_win.cpp
INT_PTR CALLBACK readme_viewer_proc(HWND, UINT, WPARAM, LPARAM);
// One tick of the search for this copy's viewer window, which
// open_readme_viewer sets going.
void search_readme_window(void);

#endif
