// The settings dialog: title, the two intervals and the post text, saved to
// the INI file or applied at once by the start button; its caption follows
// the title field.
#include "ui/settings_dialog_win.h"

#include "app/app_win.h"
#include "app/main_window_win.h"
#include "text/text_rules.h"
#include "automation/run_control_win.h"
#include "ui/about_dialog_win.h"
#include "ui/center_window_win.h"
#include "ui/dialog_common_win.h"
#include "ui/intervals.h"
#include "ui/placement.h"
#include "ui/readme_viewer_win.h"

static const char error_caption[] = PRODUCT_NAME " - 設定エラー";

static void kill_title_track(void) {
    KillTimer(g.main_window, IDT_TITLE_TRACK);
}

// A save of this leaving of the dialog failed and the user has not been
// told yet.
static int save_failed;
// 1 while a button or the close box takes the dialog down: the destruction
// saves once more, and the one message comes once it is over.
static int leaving;

static void tell_save_failure(void) {
    if (!save_failed)
        return;
    save_failed = 0;
    char text[sizeof g.ini_path + 64];
    lstrcpyA(text, "設定ファイルに書き込めません。\n");
    lstrcatA(text, g.ini_path);
    // The dialog is gone by now.
    MessageBoxA(g.main_window, text, error_caption, MB_OK | MB_SYSTEMMODAL | MB_ICONEXCLAMATION);
}

// Destroys the dialog; its WM_DESTROY saves and clears settings_dialog.
// Then says so if the file could not be written, once however many times
// this leaving saved.
static void leave_dialog(HWND dialog) {
    leaving = 1;
    DestroyWindow(dialog);
    leaving = 0;
    if (g.settings_dialog == dialog)
        g.settings_dialog = nullptr;
    tell_save_failure();
}

static void focus_field(HWND dialog, int id) {
    HWND edit = GetDlgItem(dialog, id);
    SetFocus(edit);
    char text[128];
    int length = GetWindowTextA(edit, text, sizeof text);
    // One past the end: the edit clamps it, so a short text is selected
    // whole.
    SendMessageA(edit, EM_SETSEL, 0, length + 1);
}

// Each label and the field that its command (the label's mnemonic, or a
// refused value) puts the focus on.
static const int label_fields[][2] = {{IDC_LABEL_TITLE, IDC_TITLE},
                                      {IDC_LABEL_UPDATE, IDC_UPDATE_SECS},
                                      {IDC_LABEL_POST, IDC_POST_SECS},
                                      {IDC_LABEL_TEXT, IDC_POST_TEXT}};

// Shows a validation message and puts the focus back on the field through
// its label command once the box is gone.
static int refuse(HWND dialog, const char *text, int label) {
    MessageBoxA(dialog, text, error_caption, MB_OK | MB_SYSTEMMODAL | MB_ICONEXCLAMATION);
    PostMessageA(dialog, WM_COMMAND, label, 0);
    return 0;
}

// The field's text, at most limit bytes of it in whole characters: the
// system cuts a longer text by bytes, which may leave the lead byte of a
// character without its trail byte.
static void read_text_field(HWND dialog, int id, char *out, int limit) {
    char text[SETTINGS_TITLE_MAX + 2];
    if (limit > SETTINGS_TITLE_MAX)
        limit = SETTINGS_TITLE_MAX;
    // A byte more than is kept, so that the cut is ours.
    GetDlgItemTextA(dialog, id, text, limit + 2);
    int length = text_whole_length(text, limit, system_text_rules());
    CopyMemory(out, text, length);
    out[length] = 0;
}

static int validate_settings(HWND dialog) {
    // The texts go straight into the settings, as read.
    read_text_field(dialog, IDC_TITLE, g.title, SETTINGS_TITLE_MAX);
    if (g.title[0] == 0)
        return refuse(dialog, "ウインドウタイトルを指定して下さい。", IDC_LABEL_TITLE);
    read_text_field(dialog, IDC_POST_TEXT, g.post_text, SETTINGS_POST_TEXT_MAX);
    if (g.post_text[0] == 0)
        return refuse(dialog, "改行するに必要な文字を指定して下さい。", IDC_LABEL_TEXT);

    BOOL update_ok = FALSE, post_ok = FALSE;
    UINT update = GetDlgItemInt(dialog, IDC_UPDATE_SECS, &update_ok, FALSE);
    UINT post = GetDlgItemInt(dialog, IDC_POST_SECS, &post_ok, FALSE);
    switch (validate_intervals(update_ok, update, post_ok, post)) {
        case INTERVALS_BAD_UPDATE:
            return refuse(dialog, "更新時間設定に誤りがあります。", IDC_LABEL_UPDATE);
        case INTERVALS_BAD_POST:
            return refuse(dialog, "発言時間設定に誤りがあります。", IDC_LABEL_POST);
        case INTERVALS_BOTH_ZERO:
            return refuse(dialog, "更新時間と発言時間が「0」では意味がありません。",
                          IDC_LABEL_POST);
        case INTERVALS_POST_NOT_LONGER:
            return refuse(dialog, "更新時間より、発言時間の方が小さいか、等しいです。",
                          IDC_LABEL_POST);
        case INTERVALS_OK:
            break;
    }
    g.update_secs = g.update_left = static_cast<int>(update);
    g.post_secs = g.post_left = static_cast<int>(post);
    return 1;
}

// asked: the save button or the start button, the user's own word. The
// other saves (closing, the end of the session, the destruction) leave a
// file alone that start-up could not read: they would put the defaults
// shown in its place over the settings it holds. A failure is kept for
// tell_save_failure; the settings in memory stay as they are.
static void save_settings(HWND dialog, int asked) {
    RECT r;
    GetWindowRect(dialog, &r);
    g.window_left = r.left;
    g.window_top = r.top;
    if (g.ini_unreadable && !asked)
        return;
    if (settings_file_write(g.ini_path, &g, g.window_left, g.window_top))
        g.ini_unreadable = 0;
    else
        save_failed = 1;
}

static void set_number_field(HWND dialog, int id, int value) {
    char text[16];
    wsprintfA(text, "%d", value);
    SetDlgItemTextA(dialog, id, text);
}

// Whether some of the window's caption bar lies on the work area of a
// monitor, where the user can take hold of it.
static BOOL CALLBACK find_caption_step(HMONITOR monitor, HDC, LPRECT, LPARAM param) {
    const RECT *caption = reinterpret_cast<const RECT *>(param);
    MONITORINFO info;
    info.cbSize = sizeof info;
    RECT common;
    if (GetMonitorInfoA(monitor, &info) && IntersectRect(&common, caption, &info.rcWork))
        return FALSE;
    return TRUE;
}

static int caption_reachable(HWND window) {
    RECT caption;
    GetWindowRect(window, &caption);
    caption.bottom =
        caption.top + GetSystemMetrics(SM_CYFIXEDFRAME) + GetSystemMetrics(SM_CYCAPTION);
    // The enumeration stops early (and reports failure) when a monitor holds
    // part of the caption.
    return !EnumDisplayMonitors(nullptr, nullptr, find_caption_step,
                                reinterpret_cast<LPARAM>(&caption));
}

// The saved position, or the centre of the screen when none was saved or
// the saved one leaves no part of the caption on any monitor's work area
// (saved with a monitor that is gone): a dialog out of sight could not be
// reached or closed.
static void place_dialog(HWND dialog) {
    settings_file_read_place(g.ini_path, &g.window_left, &g.window_top);
    if (g.window_left == -1 && g.window_top == -1) {
        center_window(dialog);
    } else {
        // The outer size is rebuilt from the client area with fixed frame
        // allowances.
        RECT client;
        GetClientRect(dialog, &client);
        MoveWindow(dialog, g.window_left, g.window_top, client.right + 6, client.bottom + 25, TRUE);
        if (!caption_reachable(dialog))
            center_window(dialog);
    }
    GetWindowRect(dialog, &g.settings_window_rect);
}

static void init_dialog(HWND dialog) {
    // Opening the dialog stops the automation.
    if (g.status_window)
        SendMessageA(g.main_window, WM_COMMAND, IDM_STATUS, 0);
    stop_work_timers();

    SetDlgItemTextA(dialog, IDC_TITLE, g.title);
    SetDlgItemTextA(dialog, IDC_POST_TEXT, g.post_text);
    set_number_field(dialog, IDC_POST_SECS, g.post_secs);
    set_number_field(dialog, IDC_UPDATE_SECS, g.update_secs);

    set_dialog_icon(dialog);
    DeleteMenu(GetSystemMenu(dialog, FALSE), 1, MF_BYPOSITION);
    add_system_menu_entries(dialog, 1, g.readme_available == 1);

    set_run_state(0);

    place_dialog(dialog);
    // Handled once initialisation is over: focus on the title, text selected.
    PostMessageA(dialog, WM_COMMAND, IDC_LABEL_TITLE, 0);

    // Closed from outside while it initialised: its destruction has run
    // already and nothing would ever stop the tracker again.
    if (!IsWindow(dialog))
        return;
    set_timer_or_quit(g.main_window, IDT_TITLE_TRACK, 100);
}

static INT_PTR on_command(HWND dialog, int id) {
    switch (id) {
        case IDC_SAVE:
            about_dialog_close();
            if (!validate_settings(dialog))
                return FALSE;
            save_settings(dialog, 1);
            set_tray_tip(g.title, g.running);
            tray_notify(NIM_MODIFY);
            leave_dialog(dialog);
            return TRUE;
        case IDC_EXIT:
            about_dialog_close();
            leave_dialog(dialog);
            PostQuitMessage(0);
            return TRUE;
        case IDC_START:
            if (!validate_settings(dialog))
                return FALSE;
            save_settings(dialog, 1);
            set_run_state(1);
            // The first post goes out at once, before the dialog closes.
            SendMessageA(g.main_window, WM_TIMER, IDT_POST, 0);
            about_dialog_close();
            leave_dialog(dialog);
            return TRUE;
    }
    for (const auto &pair : label_fields) {
        if (pair[0] == id)
            focus_field(dialog, pair[1]);
    }
    // IDOK, IDCANCEL, Enter and Esc from the accelerators, and the edits'
    // notifications: nothing to do.
    return TRUE;
}

static INT_PTR on_sys_command(HWND dialog, WPARAM command) {
    // While the about dialog is open every system command, Close and a drag
    // of the caption included, is dropped: the about dialog is opened anew
    // in front instead.
    if (about_dialog_reopen(dialog))
        return TRUE;
    if (command == IDM_SYS_ABOUT) {
        about_dialog_open();
    } else if (command == IDM_SYS_README) {
        readme_viewer_open();
    }
    return FALSE;
}

INT_PTR CALLBACK settings_dialog_proc(HWND dialog, UINT message, WPARAM wparam, LPARAM) {
    switch (message) {
        case WM_INITDIALOG:
            init_dialog(dialog);
            return FALSE;  // the posted label command sets the focus
        case WM_COMMAND:
            return on_command(dialog, LOWORD(wparam));
        case WM_SYSCOMMAND:
            return on_sys_command(dialog, wparam);
        case WM_CLOSE:
            about_dialog_close();
            // The settings as they stand, not the unchecked fields.
            save_settings(dialog, 0);
            kill_title_track();
            leave_dialog(dialog);
            return TRUE;
        case WM_QUERYENDSESSION:
            // The settings are saved now, as the session may end before the
            // close comes round.
            save_settings(dialog, 0);
            return answer_end_of_session(dialog);
        case WM_DESTROY:
            about_dialog_close();
            save_settings(dialog, 0);
            kill_title_track();
            if (g.settings_dialog == dialog)
                g.settings_dialog = nullptr;
            // Destroyed by none of the ways of leaving above: told here.
            if (!leaving)
                tell_save_failure();
            return FALSE;
    }
    return FALSE;
}

void settings_dialog_open(void) {
    if (!g.settings_dialog)
        g.settings_dialog = open_dialog("IDD_SETTINGDLG", settings_dialog_proc);
}

int settings_dialog_title(char *out, int size) {
    if (!g.settings_dialog)
        return 0;
    GetDlgItemTextA(g.settings_dialog, IDC_TITLE, out, size);
    return 1;
}

void format_caption(char *out, size_t size, const char *title) {
    if (size == 0)
        return;
    // Built by hand: wsprintfA stops at 1024 bytes, and a title may be
    // 1023 bytes long.
    size_t n = 0;
    const char *parts[3] = {PRODUCT_NAME, title && title[0] ? " - " : "", title ? title : ""};
    for (const char *part : parts) {
        for (const char *p = part; *p && n + 1 < size; ++p) out[n++] = *p;
    }
    out[n] = 0;
}

void settings_dialog_show_title(const char *title) {
    if (!g.settings_dialog)
        return;
    char caption[1040];
    format_caption(caption, sizeof caption, title);
    SetWindowTextA(g.settings_dialog, caption);
}
