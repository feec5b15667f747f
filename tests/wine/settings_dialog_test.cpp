// The settings dialog on its real template: initialisation, placement,
// validation messages and focus, the saved file, the buttons, the commands it
// ignores, the system commands with the about dialog open, and
// center_window.
#include "dialog_test_support.h"
#include "ui/center_window_win.h"
#include "ui/placement.h"

static void reset(void) {
    reset_settings();
    DeleteFileA(g.ini_path);
    g.readme_available = 0;
    about_dialog_close();
    readme_viewer_close();
    status_window_close();
    stop_work_timers();
}

static HWND open_settings(void) {
    settings_dialog_open();
    pump_queued();  // the posted focus command
    return g.settings_dialog;
}

static void set_fields(HWND dialog, const char *title, const char *text, const char *update,
                       const char *post) {
    SetDlgItemTextA(dialog, IDC_TITLE, title);
    SetDlgItemTextA(dialog, IDC_POST_TEXT, text);
    SetDlgItemTextA(dialog, IDC_UPDATE_SECS, update);
    SetDlgItemTextA(dialog, IDC_POST_SECS, post);
}

static bool file_exists(const char *path) {
    return GetFileAttributesA(path) != INVALID_FILE_ATTRIBUTES;
}

static std::string saved_file(int left, int top, const char *title, const char *override_lines) {
    char text[1024];
    snprintf(text, sizeof text,
             "[Setting]\r\nUpdate=10\r\nNewLine=240\r\nTitle=%s\r\nCharcter=\".\"\r\n\r\n%s"
             "[Window]\r\nLeft=%d\r\nTop=%d\r\n\r\n",
             title, override_lines, left, top);
    return text;
}

static void test_opening_stops_and_fills(void) {
    reset();
    set_run_state(1);
    status_window_open();
    HWND status = g.status_window;
    CHECK(status != nullptr && g.update_timer != 0 && g.post_timer != 0);

    HWND dialog = open_settings();
    CHECK(dialog != nullptr);
    // The status window is closed through the main window's toggle.
    CHECK(calls.main_commands.size() >= 1 && calls.main_commands[0] == IDM_STATUS);
    CHECK(!IsWindow(status));
    // The run's work timers are stopped.
    CHECK(g.update_timer == 0 && g.post_timer == 0);
    CHECK_EQ(item_text(dialog, IDC_TITLE), "Lobby");
    CHECK_EQ(item_text(dialog, IDC_POST_TEXT), ".");
    CHECK_EQ(item_text(dialog, IDC_UPDATE_SECS), "10");
    CHECK_EQ(item_text(dialog, IDC_POST_SECS), "240");
    CHECK_EQ(g.running, 0);
    CHECK(GetMenuState(g.tray_menu, IDM_STOP, MF_BYCOMMAND) & MF_CHECKED);
    // The focus lands on the title with its text selected.
    CHECK(GetFocus() == GetDlgItem(dialog, IDC_TITLE));
    DWORD start = 1, end = 0;
    SendDlgItemMessageA(dialog, IDC_TITLE, EM_GETSEL, reinterpret_cast<WPARAM>(&start),
                        reinterpret_cast<LPARAM>(&end));
    CHECK_EQ(start, 0);
    CHECK_EQ(end, 5);
    // The title tracker runs on the main window while the dialog is open.
    CHECK(KillTimer(g.main_window, IDT_TITLE_TRACK));
    DestroyWindow(dialog);
}

// Entries of a system menu of a dialog of the same style that nobody changed.
static int standard_menu_count(void) {
    HWND plain = CreateDialogParamA(g.instance, "IDD_SETTINGDLG", nullptr, nullptr, 0);
    int n = GetMenuItemCount(GetSystemMenu(plain, FALSE));
    DestroyWindow(plain);
    return n;
}

static void test_system_menu(void) {
    int standard = standard_menu_count();

    reset();
    g.readme_available = 1;
    HWND dialog = open_settings();
    HMENU menu = GetSystemMenu(dialog, FALSE);
    CHECK_EQ(menu_entry(menu, 0), "1116 Readme.txt の表示 (&B)");
    CHECK_EQ(menu_entry(menu, 1), "-");
    CHECK_EQ(GetMenuItemID(menu, 1), IDM_SYS_SEPARATOR);
    CHECK_EQ(menu_entry(menu, 2), "1114 ﾊﾞｰｼﾞｮﾝ情報 (&V)");
    CHECK_EQ(menu_entry(menu, 3), "-");
    // One standard entry deleted, four added.
    CHECK_EQ(GetMenuItemCount(menu), standard - 1 + 4);
    DestroyWindow(dialog);

    reset();
    g.readme_available = 0;
    dialog = open_settings();
    menu = GetSystemMenu(dialog, FALSE);
    CHECK_EQ(menu_entry(menu, 0), "1114 ﾊﾞｰｼﾞｮﾝ情報 (&V)");
    CHECK_EQ(menu_entry(menu, 1), "-");
    CHECK_EQ(GetMenuItemCount(menu), standard - 1 + 2);
    DestroyWindow(dialog);
}

// Client area of the dialog as its template makes it.
static RECT template_client(void) {
    HWND plain = CreateDialogParamA(g.instance, "IDD_SETTINGDLG", nullptr, nullptr, 0);
    RECT client;
    GetClientRect(plain, &client);
    DestroyWindow(plain);
    return client;
}

static void test_placement(void) {
    // No file: centred, x on a multiple of 8.
    reset();
    HWND dialog = open_settings();
    RECT r = window_rect(dialog);
    CHECK_EQ(r.left, center_x(GetSystemMetrics(SM_CXSCREEN), r.right - r.left));
    CHECK_EQ(r.top, center_y(GetSystemMetrics(SM_CYSCREEN), r.bottom - r.top));
    CHECK_EQ(r.left % 8, 0);
    RECT kept = g.settings_window_rect;
    CHECK(EqualRect(&kept, &r));
    DestroyWindow(dialog);

    // Only the pair (-1, -1) centres; a single -1 is a coordinate.
    static const struct {
        const char *file;
        int left, top;
    } cases[] = {
        {"[Window]\r\nLeft=-1\r\nTop=200\r\n", -1, 200},
        {"[Window]\r\nLeft=40\r\nTop=-1\r\n", 40, -1},
        {"[Window]\r\nLeft=40\r\nTop=30\r\n", 40, 30},
    };
    for (const auto &c : cases) {
        reset();
        write_file(g.ini_path, c.file);
        dialog = open_settings();
        r = window_rect(dialog);
        RECT client = template_client();
        CHECK_EQ(r.left, c.left);
        CHECK_EQ(r.top, c.top);
        CHECK_EQ(r.right - r.left, client.right + 6);
        CHECK_EQ(r.bottom - r.top, client.bottom + 25);
        CHECK_EQ(g.window_left, c.left);
        CHECK_EQ(g.window_top, c.top);
        kept = g.settings_window_rect;
        CHECK(EqualRect(&kept, &r));
        DestroyWindow(dialog);
    }

    reset();
    write_file(g.ini_path, "[Window]\r\nLeft=-1\r\nTop=-1\r\n");
    dialog = open_settings();
    r = window_rect(dialog);
    CHECK_EQ(r.left, center_x(GetSystemMetrics(SM_CXSCREEN), r.right - r.left));
    DestroyWindow(dialog);
}

// A saved place stands while some of the caption lies on the work area;
// one that leaves the caption out of reach (saved with a monitor that is
// gone) is centred like the pair (-1, -1).
static void test_placement_off_screen(void) {
    RECT work;
    CHECK(SystemParametersInfoA(SPI_GETWORKAREA, 0, &work, 0));
    RECT client = template_client();
    int w = client.right + 6;
    const struct {
        int left, top;
        bool kept;
    } cases[] = {
        {work.right - 30, work.bottom - 10, true},   // a corner of the caption at the bottom right
        {work.left - w + 20, work.top + 100, true},  // only the caption's right end at the left
        {work.right + 100, work.bottom + 100, false},  // beyond the bottom right corner
        {work.left + 100, work.top - 40, false},  // the caption above the top, the body below it
    };
    for (const auto &c : cases) {
        int left = c.left, top = c.top;
        char file[128];
        snprintf(file, sizeof file, "[Window]\r\nLeft=%d\r\nTop=%d\r\n", left, top);
        reset();
        write_file(g.ini_path, file);
        HWND dialog = open_settings();
        RECT r = window_rect(dialog);
        if (c.kept) {
            CHECK_EQ(r.left, left);
            CHECK_EQ(r.top, top);
        } else {
            CHECK_EQ(r.left, center_x(GetSystemMetrics(SM_CXSCREEN), r.right - r.left));
            CHECK_EQ(r.top, center_y(GetSystemMetrics(SM_CYSCREEN), r.bottom - r.top));
        }
        RECT kept = g.settings_window_rect;
        CHECK(EqualRect(&kept, &r));
        DestroyWindow(dialog);
    }
}

static void test_validation(void) {
    static const char title_msg[] = "ウインドウタイトルを指定して下さい。";
    static const char text_msg[] = "改行するに必要な文字を指定して下さい。";
    static const char update_msg[] = "更新時間設定に誤りがあります。";
    static const char post_msg[] = "発言時間設定に誤りがあります。";
    static const char zero_msg[] = "更新時間と発言時間が「0」では意味がありません。";
    static const char order_msg[] = "更新時間より、発言時間の方が小さいか、等しいです。";
    static const struct {
        const char *title, *text, *update, *post;
        const char *message;  // null: accepted
        int focus;
        int update_secs, post_secs;
    } cases[] = {
        {"", ".", "10", "240", title_msg, IDC_TITLE, 0, 0},
        {"Lobby", "", "10", "240", text_msg, IDC_POST_TEXT, 0, 0},
        {"Lobby", ".", "", "240", update_msg, IDC_UPDATE_SECS, 0, 0},
        {"Lobby", ".", "abc", "240", update_msg, IDC_UPDATE_SECS, 0, 0},
        {"Lobby", ".", "-5", "240", update_msg, IDC_UPDATE_SECS, 0, 0},
        // Above the largest int: refused rather than becoming negative.
        {"Lobby", ".", "2147483648", "0", update_msg, IDC_UPDATE_SECS, 0, 0},
        {"Lobby", ".", "4294967295", "0", update_msg, IDC_UPDATE_SECS, 0, 0},
        {"Lobby", ".", "10", "", post_msg, IDC_POST_SECS, 0, 0},
        {"Lobby", ".", "0", "3000000000", post_msg, IDC_POST_SECS, 0, 0},
        {"Lobby", ".", "0", "0", zero_msg, IDC_POST_SECS, 0, 0},
        {"Lobby", ".", "5", "5", order_msg, IDC_POST_SECS, 0, 0},
        {"Lobby", ".", "6", "5", order_msg, IDC_POST_SECS, 0, 0},
        {"Lobby", ".", "0", "5", nullptr, 0, 0, 5},
        {"Lobby", ".", "5", "0", nullptr, 0, 5, 0},
        {"Lobby", ".", "9", "10", nullptr, 0, 9, 10},
        {"Lobby", ".", "2147483647", "0", nullptr, 0, 2147483647, 0},
    };
    for (const auto &c : cases) {
        reset();
        g.update_left = 3;
        g.post_left = 4;
        HWND dialog = open_settings();
        set_fields(dialog, c.title, c.text, c.update, c.post);
        INT_PTR handled = settings_dialog_proc(dialog, WM_COMMAND, IDC_SAVE, 0);
        if (c.message) {
            CHECK_EQ(boxes.size(), 1);
            if (!boxes.empty()) {
                CHECK_EQ(boxes[0].text, c.message);
                CHECK_EQ(boxes[0].caption, "Yarrowmeld - 設定エラー");
                CHECK(boxes[0].topmost);  // system-modal
            }
            CHECK(IsWindow(dialog));
            CHECK_EQ(handled, 0);
            CHECK(!file_exists(g.ini_path));
            // Numbers and countdowns stay as they were.
            CHECK_EQ(g.update_secs, 10);
            CHECK_EQ(g.post_secs, 240);
            CHECK_EQ(g.update_left, 3);
            CHECK_EQ(g.post_left, 4);
            pump_queued();  // the posted label command
            CHECK(GetFocus() == GetDlgItem(dialog, c.focus));
            DestroyWindow(dialog);
        } else {
            CHECK_EQ(boxes.size(), 0);
            CHECK(!IsWindow(dialog));
            CHECK(g.settings_dialog == nullptr);
            CHECK_EQ(g.update_secs, c.update_secs);
            CHECK_EQ(g.update_left, c.update_secs);
            CHECK_EQ(g.post_secs, c.post_secs);
            CHECK_EQ(g.post_left, c.post_secs);
        }
    }
}

static void test_save_button_writes_exactly(void) {
    reset();
    HWND dialog = open_settings();
    MoveWindow(dialog, 412, 300, 200, 100, FALSE);
    SendMessageA(dialog, WM_COMMAND, IDC_SAVE, 0);
    CHECK(!IsWindow(dialog));
    CHECK(g.settings_dialog == nullptr);
    CHECK_EQ(file_text(g.ini_path), saved_file(412, 300, "\"Lobby\"", ""));
    CHECK_EQ(g.window_left, 412);
    CHECK_EQ(g.window_top, 300);
    // The tooltip follows the saved title.
    CHECK(!shell_calls.tray_tips.empty() &&
          shell_calls.tray_tips.back() == "Yarrowmeld[OFF] - Lobby");
    CHECK(!shell_calls.tray_messages.empty() && shell_calls.tray_messages.back() == NIM_MODIFY);

    // The override goes into its own section, written only when set.
    reset();
    g.instance_override = 3;
    dialog = open_settings();
    MoveWindow(dialog, 412, 300, 200, 100, FALSE);
    SendMessageA(dialog, WM_COMMAND, IDC_SAVE, 0);
    CHECK_EQ(file_text(g.ini_path),
             saved_file(412, 300, "\"Lobby\"", "[Startup]\r\nDual=3\r\n\r\n"));

    // Other keys of the file are not carried over.
    reset();
    write_file(g.ini_path, "[Other]\r\nKey=1\r\n[Window]\r\nLeft=8\r\nTop=16\r\n");
    dialog = open_settings();
    SendMessageA(dialog, WM_COMMAND, IDC_SAVE, 0);
    CHECK_EQ(file_text(g.ini_path), saved_file(8, 16, "\"Lobby\"", ""));
}

static void test_start_button(void) {
    reset();
    about_dialog_open();
    HWND about = g.about_dialog;
    HWND dialog = open_settings();
    SendMessageA(dialog, WM_COMMAND, IDC_START, 0);
    CHECK_EQ(g.running, 1);
    CHECK(g.update_timer != 0 && g.post_timer != 0);
    // The first post is sent while the dialog still stands, then it closes.
    CHECK(calls.main_timers == std::vector<WPARAM>{IDT_POST});
    CHECK_EQ(calls.dialog_alive_at_post, 1);
    CHECK(!IsWindow(dialog));
    CHECK(!IsWindow(about));
    CHECK(g.about_dialog == nullptr);
    CHECK(file_exists(g.ini_path));
    CHECK(!KillTimer(g.main_window, IDT_TITLE_TRACK));

    // A refused start starts nothing.
    reset();
    dialog = open_settings();
    set_fields(dialog, "Lobby", ".", "5", "5");
    SendMessageA(dialog, WM_COMMAND, IDC_START, 0);
    CHECK_EQ(g.running, 0);
    CHECK(g.update_timer == 0 && g.post_timer == 0);
    CHECK(calls.main_timers.empty());
    CHECK(IsWindow(dialog));
    DestroyWindow(dialog);
}

static void test_ignored_commands(void) {
    static const int ids[] = {
        IDOK, IDCANCEL, IDC_ACCEL_ENTER, IDC_ACCEL_ESC, IDC_ACCEL_ENTER_UNUSED, IDM_SYS_README};
    for (int id : ids) {
        reset();
        HWND dialog = open_settings();
        INT_PTR handled = settings_dialog_proc(dialog, WM_COMMAND, id, 0);
        CHECK_EQ(handled, TRUE);
        CHECK(IsWindow(dialog));
        CHECK(!file_exists(g.ini_path));
        CHECK_EQ(g.running, 0);
        CHECK(boxes.empty());
        DestroyWindow(dialog);
    }
}

static void test_label_commands_focus_fields(void) {
    static const struct {
        int label, field;
    } pairs[] = {{IDC_LABEL_TITLE, IDC_TITLE},
                 {IDC_LABEL_UPDATE, IDC_UPDATE_SECS},
                 {IDC_LABEL_POST, IDC_POST_SECS},
                 {IDC_LABEL_TEXT, IDC_POST_TEXT}};
    reset();
    HWND dialog = open_settings();
    for (const auto &p : pairs) {
        SendMessageA(dialog, WM_COMMAND, p.label, 0);
        CHECK(GetFocus() == GetDlgItem(dialog, p.field));
    }
    // Of a long text only the first 128 positions are selected.
    std::string long_title(200, 'a');
    SetDlgItemTextA(dialog, IDC_TITLE, long_title.c_str());
    SendMessageA(dialog, WM_COMMAND, IDC_LABEL_TITLE, 0);
    DWORD start = 1, end = 0;
    SendDlgItemMessageA(dialog, IDC_TITLE, EM_GETSEL, reinterpret_cast<WPARAM>(&start),
                        reinterpret_cast<LPARAM>(&end));
    CHECK_EQ(start, 0);
    CHECK_EQ(end, 128);
    DestroyWindow(dialog);
}

static void test_exit_and_close(void) {
    // Exit: the file is written on the way out and the quit message posted.
    reset();
    about_dialog_open();
    HWND about = g.about_dialog;
    HWND dialog = open_settings();
    take_quit();
    SendMessageA(dialog, WM_COMMAND, IDC_EXIT, 0);
    CHECK(take_quit());
    CHECK(!IsWindow(dialog));
    CHECK(!IsWindow(about));
    CHECK(file_exists(g.ini_path));

    // Close saves the settings as they stand, not the unchecked fields.
    reset();
    dialog = open_settings();
    MoveWindow(dialog, 16, 24, 200, 100, FALSE);
    SetDlgItemTextA(dialog, IDC_TITLE, "Other");
    SendMessageA(dialog, WM_CLOSE, 0, 0);
    CHECK(!IsWindow(dialog));
    CHECK(g.settings_dialog == nullptr);
    CHECK_EQ(file_text(g.ini_path), saved_file(16, 24, "\"Lobby\"", ""));
    CHECK(!KillTimer(g.main_window, IDT_TITLE_TRACK));
    CHECK(!take_quit());

    // A failed validation has already taken the empty title; closing then
    // saves it empty.
    reset();
    dialog = open_settings();
    MoveWindow(dialog, 16, 24, 200, 100, FALSE);
    SetDlgItemTextA(dialog, IDC_TITLE, "");
    SendMessageA(dialog, WM_COMMAND, IDC_SAVE, 0);
    pump_queued();
    SendMessageA(dialog, WM_CLOSE, 0, 0);
    CHECK_EQ(file_text(g.ini_path), saved_file(16, 24, "", ""));

    // The end of the session lets the session end and still saves.
    reset();
    dialog = open_settings();
    MoveWindow(dialog, 16, 24, 200, 100, FALSE);
    LRESULT may_end = SendMessageA(dialog, WM_QUERYENDSESSION, 0, 0);
    CHECK(may_end != 0);
    // Saved at once, in case the session ends before the dialog closes.
    CHECK_EQ(file_text(g.ini_path), saved_file(16, 24, "\"Lobby\"", ""));
    CHECK(pump_until([&] { return !IsWindow(dialog); }));
    CHECK(g.settings_dialog == nullptr);
    CHECK(!KillTimer(g.main_window, IDT_TITLE_TRACK));
}

static void test_system_commands(void) {
    // With the about dialog open every system command reopens it instead.
    static const WPARAM commands[] = {SC_CLOSE, SC_MOVE, IDM_SYS_ABOUT};
    for (WPARAM command : commands) {
        reset();
        HWND dialog = open_settings();
        about_dialog_open();
        HWND about = g.about_dialog;
        INT_PTR handled = settings_dialog_proc(dialog, WM_SYSCOMMAND, command, 0);
        CHECK_EQ(handled, TRUE);
        CHECK(IsWindow(dialog));
        CHECK(!IsWindow(about));
        CHECK(g.about_dialog == nullptr);
        pump_queued();
        CHECK(g.about_dialog != nullptr && g.about_dialog != about);
        CHECK(!file_exists(g.ini_path));
        DestroyWindow(dialog);
        CHECK(!IsWindow(g.about_dialog));  // destroyed with the dialog
    }

    reset();
    g.readme_available = 1;
    HWND dialog = open_settings();
    SendMessageA(dialog, WM_SYSCOMMAND, IDM_SYS_README, 0);
    CHECK(g.readme_viewer != nullptr);
    CHECK_EQ(g.readme_search, 1);
    CHECK_EQ(g.readme_search_ticks, 30);
    DestroyWindow(dialog);
    readme_viewer_close();
}

// Records the moves and shows of a plain window.
static int position_changes;
static LRESULT CALLBACK counting_proc(HWND window, UINT message, WPARAM wparam, LPARAM lparam) {
    if (message == WM_WINDOWPOSCHANGING || message == WM_SHOWWINDOW)
        position_changes++;
    return DefWindowProcA(window, message, wparam, lparam);
}

static void test_center_window(void) {
    HWND window =
        make_window("CountingWindow", counting_proc, "", WS_POPUP | WS_VISIBLE, 3, 5, 300, 211);
    center_window(window);
    RECT r = window_rect(window);
    int sw = GetSystemMetrics(SM_CXSCREEN), sh = GetSystemMetrics(SM_CYSCREEN);
    CHECK_EQ(r.left, center_x(sw, 300));
    CHECK_EQ(r.top, center_y(sh, 211));
    CHECK_EQ(r.right - r.left, 300);
    CHECK_EQ(r.bottom - r.top, 211);
    CHECK(IsWindowVisible(window));
    // Already in place: not hidden, moved or shown again.
    position_changes = 0;
    center_window(window);
    CHECK_EQ(position_changes, 0);
    DestroyWindow(window);
}

int main(void) {
    return run_tests({watch_boxes, test_opening_stops_and_fills, test_system_menu, test_placement,
                      test_placement_off_screen, test_validation, test_save_button_writes_exactly,
                      test_start_button, test_ignored_commands, test_label_commands_focus_fields,
                      test_exit_and_close, test_system_commands, test_center_window});
}
