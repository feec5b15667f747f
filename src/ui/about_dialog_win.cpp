// The about dialog: product name, version and copyright from the program's
// own version block, beside an icon that blinks between the two tray icons.
#include "ui/about_dialog_win.h"

#include "app/app_win.h"

#include <stdlib.h>

#include "text/text_rules.h"
#include "ui/dpi_win.h"
#include "ui/placement.h"
#include "text/bounded_copy.h"
#include "ui/dialog_common_win.h"
#include "ui/readme_viewer_win.h"
#include "ui/version_info_win.h"

// The control the blinking icon is drawn into, and the icon it gets next.
static HWND icon_control;
static int about_blink_icon = IDI_RUNNING;

static void copy_text(char *out, size_t size, const char *text) {
    copy_whole_chars(out, size, text, system_text_rules());
}

// The program's own file. The module path is used rather than argv[0],
// which may be relative or lack the ".exe" that the version calls need.
static void own_file_name(char *out, DWORD size) {
    DWORD n = GetModuleFileNameA(nullptr, out, size);
    if (n == 0 || n >= size)
        copy_text(out, size, __argv && __argv[0] ? __argv[0] : "");
}

static void show_version_texts(HWND dialog) {
    static const char version_word[] = "Version ";
    char text[256];
    copy_text(text, sizeof text, version_word);
    char file_name[1024];
    own_file_name(file_name, sizeof file_name);
    DWORD *translation = nullptr;
    void *block = load_version_block(file_name, &translation);
    size_t prefix = sizeof version_word - 1;
    if (block) {
        DWORD pair = *translation;
        query_version_string(text + prefix, sizeof text - prefix, block, pair, "FileVersion");
        SetDlgItemTextA(dialog, IDC_ABOUT_VERSION, text);
        query_version_string(text, sizeof text, block, pair, "LegalCopyright");
        SetDlgItemTextA(dialog, IDC_ABOUT_COPYRIGHT, text);
        query_version_string(text, sizeof text, block, pair, "ProductName");
        SetDlgItemTextA(dialog, IDC_ABOUT_PRODUCT, text);
        free(block);
    } else {
        copy_text(text + prefix, sizeof text - prefix, " : Unkown");
        SetDlgItemTextA(dialog, IDC_ABOUT_VERSION, text);
    }
}

static void init_dialog(HWND dialog) {
    show_version_texts(dialog);

    set_dialog_icon(dialog);
    add_system_menu_entries(dialog, 0, g.readme_available == 1);

    icon_control = GetDlgItem(dialog, IDC_ABOUT_ICON);
    set_timer_or_quit(dialog, IDT_ABOUT_BLINK, 1000);
    about_blink_icon = IDI_RUNNING;
    GetWindowRect(dialog, &g.about_window_rect);
    SetWindowPos(dialog, HWND_TOPMOST, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_SHOWWINDOW);
}

static void paint_icon(void) {
    InvalidateRect(icon_control, nullptr, TRUE);
    UpdateWindow(icon_control);
    // 32 pixels at 96 DPI, as many more as the DPI asks for, so that the
    // icon keeps its share of the dialog, which grows with its font.
    int size = dpi_px(32, screen_dpi());
    HICON icon = static_cast<HICON>(LoadImageA(g.instance, MAKEINTRESOURCEA(about_blink_icon),
                                               IMAGE_ICON, size, size, LR_DEFAULTCOLOR));
    HDC dc = GetDC(icon_control);
    DrawIconEx(dc, 0, 0, icon, size, size, 0, nullptr, DI_NORMAL);
    ReleaseDC(icon_control, dc);
    if (icon)
        DestroyIcon(icon);
    about_blink_icon = about_blink_icon == IDI_STOPPED ? IDI_RUNNING : IDI_STOPPED;
}

static void close_dialog(HWND dialog) {
    if (g.about_dialog == dialog)
        g.about_dialog = nullptr;
    KillTimer(dialog, IDT_ABOUT_BLINK);
    DestroyWindow(dialog);
    if (g.settings_dialog)
        SetForegroundWindow(g.settings_dialog);
}

INT_PTR CALLBACK about_dialog_proc(HWND dialog, UINT message, WPARAM wparam, LPARAM) {
    switch (message) {
        case WM_INITDIALOG:
            init_dialog(dialog);
            return FALSE;
        case WM_TIMER:
            PostMessageA(dialog, WM_PAINT, 0, 0);
            return FALSE;
        case WM_PAINT:
            // Drawn here, then the dialog paints as usual.
            paint_icon();
            return FALSE;
        case WM_COMMAND:
            // Enter and Esc arrive as the accelerator commands and do nothing.
            if (LOWORD(wparam) == IDOK || LOWORD(wparam) == IDCANCEL)
                close_dialog(dialog);
            return FALSE;
        case WM_SYSCOMMAND:
            if (wparam == IDM_SYS_README && !g.readme_viewer)
                readme_viewer_open();
            return FALSE;
        case WM_CLOSE:
            close_dialog(dialog);
            return TRUE;
        case WM_QUERYENDSESSION:
            return answer_end_of_session(dialog);
        case WM_DESTROY:
            if (g.about_dialog == dialog)
                g.about_dialog = nullptr;
            if (g.settings_dialog)
                SetForegroundWindow(g.settings_dialog);
            return FALSE;
    }
    return FALSE;
}

void about_dialog_open(void) {
    if (!g.about_dialog)
        g.about_dialog = open_dialog("IDD_ABOUTDLG", about_dialog_proc);
}

void about_dialog_close(void) {
    if (!g.about_dialog)
        return;
    HWND about = g.about_dialog;
    g.about_dialog = nullptr;
    DestroyWindow(about);
}

int about_dialog_reopen(HWND dialog) {
    if (!g.about_dialog)
        return 0;
    about_dialog_close();
    PostMessageA(dialog, WM_SYSCOMMAND, IDM_SYS_ABOUT, 0);
    return 1;
}
