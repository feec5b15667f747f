// What the dialogs have in common: their opening, the small icon, the
// entries they add to their system menus and their answer to the end of a
// session.
#include "ui/dialog_common_win.h"

#include "app/app_win.h"

HWND open_dialog(const char *template_name, DLGPROC proc) {
    HWND dialog = CreateDialogParamA(g.instance, template_name, g.main_window, proc,
                                     reinterpret_cast<LPARAM>(g.main_window));
    // A dialog can be closed from outside while it initialises (its
    // initialisation waits on other windows, which lets a WM_CLOSE in);
    // its handle must not be kept then, or the opener would hold a dead
    // window for good.
    return IsWindow(dialog) ? dialog : nullptr;
}

void set_dialog_icon(HWND dialog) {
    HICON icon = LoadIconA(g.instance, MAKEINTRESOURCEA(IDI_RUNNING));
    SendMessageA(dialog, WM_SETICON, ICON_SMALL, reinterpret_cast<LPARAM>(icon));
}

void add_system_menu_entries(HWND dialog, int about, int readme) {
    HMENU menu = GetSystemMenu(dialog, FALSE);
    if (about) {
        InsertMenuA(menu, 0, MF_BYPOSITION | MF_SEPARATOR, IDM_SYS_SEPARATOR, nullptr);
        InsertMenuA(menu, 0, MF_BYPOSITION | MF_STRING, IDM_SYS_ABOUT, "ﾊﾞｰｼﾞｮﾝ情報 (&V)");
    }
    if (readme) {
        InsertMenuA(menu, 0, MF_BYPOSITION | MF_SEPARATOR, IDM_SYS_SEPARATOR, nullptr);
        InsertMenuA(menu, 0, MF_BYPOSITION | MF_STRING, IDM_SYS_README, "Readme.txt の表示 (&B)");
    }
    DrawMenuBar(dialog);
}

INT_PTR answer_end_of_session(HWND dialog) {
    // TRUE, so that the session may end; the dialog closes only once the
    // answer is given, as one destroyed while it answers can only give 0,
    // which would stand in the session's way.
    SetWindowLongPtrA(dialog, DWLP_MSGRESULT, TRUE);
    PostMessageA(dialog, WM_CLOSE, 0, 0);
    return TRUE;
}
