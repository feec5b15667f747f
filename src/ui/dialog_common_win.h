// What the dialogs have in common.
#ifndef YARROWMELD_DIALOG_COMMON_WIN_H
#define YARROWMELD_DIALOG_COMMON_WIN_H

#include <windows.h>

// Opens a modeless dialog from a named template, owned by the main window;
// nullptr when it could not be made or was closed while it initialised.
HWND open_dialog(const char *template_name, DLGPROC proc);
void set_dialog_icon(HWND dialog);
// Adds the about entry, the readme entry or both to the top of the system
// menu (readme above about), each with a separator below it.
void add_system_menu_entries(HWND dialog, int about, int readme);
// The dialog procedure's answer to WM_QUERYENDSESSION.
INT_PTR answer_end_of_session(HWND dialog);

#endif
