// Entry point: INI path, settings, the single-instance rule, the hidden main
// window, the message loop and shutdown.
#include "app/app_win.h"

#include <commctrl.h>
#include <stdlib.h>

#include "app/command_line.h"
#include "app/main_window_win.h"
#include "automation/run_control_win.h"
#include "ui/readme_viewer_win.h"
#include "ui/settings_dialog_win.h"

Settings g;

void report_fatal(HWND owner, const char *text) {
    char caption[128];
    wsprintfA(caption, "%s - 終了メッセージ", PRODUCT_NAME);
    MessageBoxA(owner, text, caption, MB_SYSTEMMODAL | MB_ICONERROR);
    MessageBoxA(owner, "誠に申し訳御座いませんが、プログラムを終了します。", caption,
                MB_SYSTEMMODAL | MB_ICONERROR);
}

BOOL tray_notify(DWORD message) {
    // The record is the 88-byte form that every shell version accepts.
    return Shell_NotifyIconA(message, reinterpret_cast<NOTIFYICONDATAA *>(&g.tray_icon));
}

static void find_ini_path(HINSTANCE instance) {
    // A path that does not fit whole is not used at all: reading then gives
    // the defaults and the save writes nothing, instead of touching a file
    // in some other folder.
    char module_path[1024];
    DWORD length = GetModuleFileNameA(instance, module_path, sizeof module_path);
    if (length == 0 || length >= sizeof module_path) {
        g.ini_path[0] = 0;
        return;
    }
    build_ini_path(g.ini_path, sizeof g.ini_path, module_path, system_text_rules());
}

static void read_settings(void) {
    g.ini_unreadable = settings_file_read(g.ini_path, &g) == SETTINGS_FILE_UNREADABLE;
    g.update_left = g.update_secs;
    g.post_left = g.post_secs;
}

// The user learns why the dialog shows defaults, and that the file with
// the real settings is still there: the closing of the dialog leaves it.
static void tell_settings_unreadable(void) {
    // Built without wsprintfA, whose output stops at 1024 bytes: the path
    // alone may take 1023.
    char text[sizeof g.ini_path + 128];
    lstrcpyA(text, "設定ファイルを読み込めません。\n");
    lstrcatA(text, g.ini_path);
    lstrcatA(text, "\n\n初期設定を表示します。設定ファイルはそのまま残します。");
    MessageBoxA(nullptr, text, PRODUCT_NAME " - 設定エラー",
                MB_OK | MB_SYSTEMMODAL | MB_ICONEXCLAMATION);
}

// 1 when another copy runs and has been told to show its settings.
static int refuse_second_copy(void) {
    if (g.instance_override != 0)
        return 0;
    HWND found = FindWindowA(PRODUCT_NAME, PRODUCT_NAME);
    if (!found)
        return 0;
    char caption[128], text[128];
    wsprintfA(caption, "%s - 起動エラー", PRODUCT_NAME);
    wsprintfA(text, "%s は既に起動されています。", PRODUCT_NAME);
    MessageBoxA(found, text, caption, MB_SYSTEMMODAL | MB_ICONERROR);
    PostMessageA(found, WM_COMMAND, IDM_SETTINGS, 0);
    return 1;
}

static int check_readme_available(void) {
    // Readme.txt is looked for in the current directory, where the viewer
    // opens it, not beside the exe.
    WIN32_FIND_DATAA found;
    HANDLE search = FindFirstFileA("Readme.txt", &found);
    int have_file = search != INVALID_HANDLE_VALUE;
    if (have_file)
        FindClose(search);
    HMODULE rich = LoadLibraryA("RICHED32.DLL");
    if (rich)
        FreeLibrary(rich);
    return have_file && rich ? 1 : 0;
}

static void create_main_window(HINSTANCE instance) {
    WNDCLASSA wc = {};
    wc.style = CS_VREDRAW | CS_HREDRAW | CS_SAVEBITS | CS_BYTEALIGNCLIENT;
    wc.lpfnWndProc = main_window_proc;
    wc.hInstance = instance;
    wc.hIcon = LoadIconA(instance, MAKEINTRESOURCEA(IDI_RUNNING));
    wc.hCursor = LoadCursorA(nullptr, MAKEINTRESOURCEA(32512));  // IDC_ARROW
    wc.hbrBackground = static_cast<HBRUSH>(GetStockObject(GRAY_BRUSH));
    wc.lpszClassName = PRODUCT_NAME;
    RegisterClassA(&wc);
    g.instance = instance;
    g.main_window = CreateWindowExA(WS_EX_TRANSPARENT, PRODUCT_NAME, PRODUCT_NAME, WS_POPUP, 0, 0,
                                    0, 0, nullptr, nullptr, instance, nullptr);
}

static void handle_command_line(void) {
    for (int i = 1; i < __argc; ++i) {
        if (is_readme_option(__argv[i]) && g.readme_available == 1)
            readme_viewer_open();
    }
}

static int run_message_loop(void) {
    MSG msg;
    while (GetMessageA(&msg, nullptr, 0, 0)) {
        if (!TranslateAcceleratorA(g.main_window, g.accelerators, &msg) &&
            !(g.about_dialog && IsDialogMessageA(g.about_dialog, &msg)) &&
            !(g.settings_dialog && IsDialogMessageA(g.settings_dialog, &msg)) &&
            !(g.readme_viewer && IsDialogMessageA(g.readme_viewer, &msg))) {
            TranslateMessage(&msg);
            DispatchMessageA(&msg);
        }
        if (g.rich_edit)
            HideCaret(g.rich_edit);
    }
    return static_cast<int>(msg.wParam);
}

static void shut_down(void) {
    readme_viewer_close();
    DestroyAcceleratorTable(g.accelerators);
    tray_notify(NIM_DELETE);
    if (g.tray_menu)
        DestroyMenu(g.tray_menu);
    stop_work_timers();
    if (g.tick_timer)
        KillTimer(g.main_window, IDT_TICK);
}

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int) {
    find_ini_path(instance);
    read_settings();
    if (refuse_second_copy())
        return 0;
    if (g.ini_unreadable)
        tell_settings_unreadable();

    g.readme_search = 1;
    InitCommonControls();
    g.readme_available = check_readme_available();

    create_main_window(instance);
    handle_command_line();

    settings_dialog_open();
    g.accelerators = LoadAcceleratorsA(instance, MAKEINTRESOURCEA(IDR_ACCEL));
    set_run_state(0);
    g.tick_timer = static_cast<int>(set_timer_or_quit(g.main_window, IDT_TICK, 1000));

    int code = run_message_loop();
    shut_down();
    return code;
}
