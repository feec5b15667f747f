// The settings dialog.
#ifndef YARROWMELD_SETTINGS_DIALOG_WIN_H
#define YARROWMELD_SETTINGS_DIALOG_WIN_H

#include <windows.h>

INT_PTR CALLBACK settings_dialog_proc(HWND, UINT, WPARAM, LPARAM);
// Opens the dialog unless it is open.
void settings_dialog_open(void);
// The text of the title field into out (size bytes); 0 when the dialog is
// not open.
int settings_dialog_title(char *out, int size);
// Sets the caption that belongs to title on the open dialog.
void settings_dialog_show_title(const char *title);
// Caption "Yarrowmeld - title", or the product name alone for an empty title.
void format_caption(char *out, size_t size, const char *title);

#endif
