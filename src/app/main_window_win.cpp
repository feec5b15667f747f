// The hidden main window: tray icon and menu, tray mouse actions, command
// routing and the window's lifetime messages. Its timers are handled by the
// run control.
#include "app/main_window_win.h"

#include "app/app_win.h"
#include "app/tray_menu.h"
#include "app/tray_register.h"
#include "app/tray_tip.h"
#include "automation/run_control_win.h"
#include "ui/about_dialog_win.h"
#include "ui/center_window_win.h"
#include "ui/readme_viewer_win.h"
#include "ui/settings_dialog_win.h"
#include "ui/status_window_win.h"

static HMENU build_tray_menu(void) {
    HMENU menu = CreatePopupMenu();
    TrayMenuEntry entries[TRAY_MENU_MAX_ENTRIES];
    int count = tray_menu_entries(g.readme_available, entries);
    for (int i = 0; i < count; ++i) {
        if (entries[i].id)
            AppendMenuA(menu, MF_STRING, entries[i].id, entries[i].text);
        else
            AppendMenuA(menu, MF_SEPARATOR, 0, nullptr);
    }
    return menu;
}

// At the system's small-icon size, which grows with the DPI (24 at 150 %):
// an icon of fixed 16 pixels would be stretched by the shell.
HICON load_tray_icon(int id) {
    return static_cast<HICON>(LoadImageA(g.instance, MAKEINTRESOURCEA(id), IMAGE_ICON,
                                         GetSystemMetrics(SM_CXSMICON),
                                         GetSystemMetrics(SM_CYSMICON), LR_DEFAULTCOLOR));
}

void set_tray_tip(const char *title, int running) {
    format_tray_tip(g.tray_icon.szTip, title, running, system_text_rules());
}

// One attempt's calls; the context is the main window.
static int add_tray_icon(void *context) {
    g.tray_menu = build_tray_menu();
    HICON old_icon = g.tray_icon.hIcon;
    g.tray_icon = TrayIconRecord{};
    g.tray_icon.cbSize = sizeof g.tray_icon;
    g.tray_icon.hWnd = static_cast<HWND>(context);
    g.tray_icon.uID = 1;
    g.tray_icon.uFlags = NIF_MESSAGE | NIF_ICON | NIF_TIP;
    g.tray_icon.uCallbackMessage = WM_TRAYNOTIFY;
    g.tray_icon.hIcon = load_tray_icon(IDI_STOPPED);
    // Each attempt loads a fresh icon; the one it replaces is no longer
    // shown by the shell and would otherwise leak.
    if (old_icon)
        DestroyIcon(old_icon);
    set_tray_tip(g.title, g.running);
    if (tray_notify(NIM_ADD))
        return TRAY_ADD_DONE;
    // Only a shell that is still busy starting is worth waiting for;
    // without a tray the icon comes with the next "TaskbarCreated".
    return GetLastError() == ERROR_TIMEOUT ? TRAY_ADD_TIMED_OUT : TRAY_ADD_FAILED;
}

static void wait_for_shell(void *, unsigned ms) {
    Sleep(ms);
}

static int modify_tray_icon(void *) {
    return tray_notify(NIM_MODIFY) ? 1 : 0;
}

static void undo_tray_icon(void *) {
    tray_notify(NIM_DELETE);
    DestroyMenu(g.tray_menu);
    g.tray_menu = nullptr;
}

static void register_tray_icon(HWND window) {
    const TrayRegisterSteps steps = {window, add_tray_icon, wait_for_shell, modify_tray_icon,
                                     undo_tray_icon};
    if (register_with_retries(&steps))
        return;
    report_fatal(window, "タスクトレイにアイコンを登録できませんでした");
    PostQuitMessage(0);
}

static void raise_dialog(HWND dialog, const RECT &recorded) {
    SetForegroundWindow(dialog);
    RECT now;
    GetWindowRect(dialog, &now);
    if (now.left != recorded.left || now.top != recorded.top)
        center_window(dialog);
}

// 1 when the settings or the about dialog is open (they were raised).
static int raise_open_dialogs(void) {
    if (!g.settings_dialog && !g.about_dialog)
        return 0;
    if (g.settings_dialog)
        raise_dialog(g.settings_dialog, g.settings_window_rect);
    if (g.about_dialog)
        raise_dialog(g.about_dialog, g.about_window_rect);
    return 1;
}

static void on_tray_notify(HWND window, LPARAM mouse_message) {
    switch (mouse_message) {
        case WM_RBUTTONUP:
            if (raise_open_dialogs() || !g.tray_menu)
                break;
            POINT cursor;
            GetCursorPos(&cursor);
            // Without the foreground the menu would not close when the user
            // clicks elsewhere; the WM_NULL lets the menu loop end cleanly.
            SetForegroundWindow(window);
            TrackPopupMenu(g.tray_menu, TPM_RIGHTBUTTON, cursor.x, cursor.y, 0, window, nullptr);
            PostMessageA(window, WM_NULL, 0, 0);
            break;
        case WM_LBUTTONUP:
            raise_open_dialogs();
            break;
        case WM_LBUTTONDBLCLK:
            if (g.settings_dialog || g.about_dialog)
                break;
            if (g.running == 1)
                stop_running();
            else
                start_running();
            break;
    }
}

static void toggle_status_window(void) {
    if (g.running != 1)
        return;
    if (g.status_shown == 0)
        status_window_open();
    else
        status_window_close();
}

static void forward_command(int id) {
    if (g.about_dialog) {
        SendMessageA(g.about_dialog, WM_COMMAND, id, 0);
    } else if (g.settings_dialog) {
        // For ids that name no control this leaves no window with the focus,
        // which is what Enter and Esc are meant to do here.
        SetFocus(GetDlgItem(g.settings_dialog, id));
        SendMessageA(g.settings_dialog, WM_COMMAND, id, 0);
    }
}

static LRESULT on_command(HWND window, WPARAM wparam, LPARAM lparam) {
    int id = LOWORD(wparam);
    switch (id) {
        case IDOK:
        case IDCANCEL:
        case IDC_SAVE:
        case IDC_LABEL_TITLE:
        case IDC_LABEL_UPDATE:
        case IDC_LABEL_POST:
        case IDC_LABEL_TEXT:
        case IDC_EXIT:
        case IDC_ACCEL_ENTER:
        case IDC_ACCEL_ESC:
        case IDC_START:
        case IDM_SYS_README:
            forward_command(id);
            break;
        case IDM_STOP:
            stop_running();
            break;
        case IDM_START:
            start_running();
            break;
        case IDM_ABOUT:
            about_dialog_open();
            break;
        case IDM_STATUS:
            toggle_status_window();
            break;
        case IDM_SETTINGS:
            if (!g.settings_dialog) {
                // The dialog's initialisation still sees the run state as it
                // was; only then is the program switched off.
                settings_dialog_open();
                set_run_state(0);
            }
            break;
        case IDM_README:
            readme_viewer_open();
            return 1;
        case IDM_EXIT:
            PostMessageA(window, WM_CLOSE, 0, 0);
            return 1;
        case IDM_CLOSE_README:
            readme_viewer_close();
            return 1;
    }
    return DefWindowProcA(window, WM_COMMAND, wparam, lparam);
}

LRESULT CALLBACK main_window_proc(HWND window, UINT message, WPARAM wparam, LPARAM lparam) {
    switch (message) {
        case WM_CREATE:
            g.taskbar_created = RegisterWindowMessageA("TaskbarCreated");
            register_tray_icon(window);
            return 1;
        case WM_DESTROY:
            PostQuitMessage(0);
            return 0;
        case WM_CLOSE:
            // The window stays; the message loop ends at the quit message.
            PostQuitMessage(0);
            return 1;
        case WM_QUERYENDSESSION:
            return 1;
        case WM_QUERYOPEN:
            return 0;
        case WM_COMMAND:
            return on_command(window, wparam, lparam);
        case WM_TIMER:
            if (handle_main_timer(static_cast<UINT>(wparam)))
                return 0;
            break;
        case WM_TRAYNOTIFY:
            on_tray_notify(window, lparam);
            return 0;
        default:
            // Explorer was restarted: the icon it showed is gone.
            if (g.taskbar_created && message == g.taskbar_created) {
                tray_notify(NIM_DELETE);
                if (g.tray_menu)
                    DestroyMenu(g.tray_menu);
                g.tray_menu = nullptr;
                register_tray_icon(window);
                return 1;
            }
            break;
    }
    return DefWindowProcA(window, message, wparam, lparam);
}
