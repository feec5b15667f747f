// The about dialog. It never outlives the actions of the other dialogs, so
// they close it and open it anew in front of themselves.
#ifndef YARROWMELD_ABOUT_DIALOG_WIN_H
#define YARROWMELD_ABOUT_DIALOG_WIN_H

#include <windows.h>

INT_PTR CALLBACK about_dialog_proc(HWND, UINT, WPARAM, LPARAM);
// Opens the about dialog unless it is open.
void about_dialog_open(void);
void about_dialog_close(void);
// When the about dialog is open: closes it, has dialog open it anew in front
// with a posted system command, and returns 1.
int about_dialog_reopen(HWND dialog);

#endif
