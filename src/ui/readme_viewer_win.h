// The viewer of Readme.txt and the rich-edit library it shows it with.
#ifndef YARROWMELD_README_VIEWER_WIN_H
#define YARROWMELD_README_VIEWER_WIN_H

#include <windows.h>

INT_PTR CALLBACK readme_viewer_proc(HWND, UINT, WPARAM, LPARAM);
// Opens the viewer unless it is open; sets the window search going.
void readme_viewer_open(void);
// Destroys the viewer, and with it the rich-edit control, then frees the
// library.
void readme_viewer_close(void);
// One tick of the search for this copy's viewer window, which
// readme_viewer_open sets going.
void search_readme_window(void);
// Where the scroll subclass stands: it counts the lines itself, within
// 0 .. nMax, whatever position the control keeps of its own.
SCROLLINFO readme_viewer_scroll(void);

#endif
