// Entry point: INI path, settings, the single-instance rule, the hidden main
// window, the message loop and shutdown.
#include "app/app_win.h"

#include <commctrl.h>
#include <stdlib.h>

#include "app/startup_logic.h"
#include "ini/ini.h"

Settings g;

// "Startup" and "Dual" with bit 7 set on every byte, so that the names of
// the override cannot be found in the exe as plain text. Start-up clears the
// bits in place; the settings save then writes under the same names.
char hidden_section[8] = "\xD3\xF4\xE1\xF2\xF4\xF5\xF0";  // Startup
char hidden_key[5] = "\xC4\xF5\xE1\xEC";                  // Dual

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

HWND open_dialog(const char *template_name, DLGPROC proc) {
    HWND dialog = CreateDialogParamA(g.instance, template_name, g.main_window, proc,
                                     reinterpret_cast<LPARAM>(g.main_window));
    // A dialog can be closed from outside while it initialises (its
    // initialisation waits on other windows, which lets a WM_CLOSE in);
    // its handle must not be kept then, or the opener would hold a dead
    // window for good.
    return IsWindow(dialog) ? dialog : nullptr;
}

void open_readme_viewer(void) {
    if (g.readme_viewer) return;
    g.readme_viewer = open_dialog("IDD_README", readme_viewer_proc);
    g.readme_search = 1;
    g.readme_search_ticks = 30;
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
    ini_load(g.ini_path, 1);
    g.update_secs = ini_get_int("Setting", "Update", 10);
    g.post_secs = ini_get_int("Setting", "NewLine", 240);
    g.post_left = g.post_secs;
    g.update_left = g.update_secs;
    reveal_hidden_name(hidden_key);
    reveal_hidden_name(hidden_section);
    g.instance_override = ini_get_int(hidden_section, hidden_key, 0);
    ini_get_string("Setting", "TiTle", "", g.title, 1023);
    ini_get_string("Setting", "Charcter", ".", g.post_text, 127);
    ini_free();
}

// 1 when another copy runs and has been told to show its settings.
static int refuse_second_copy(void) {
    if (g.instance_override != 0) return 0;
    HWND found = FindWindowA(PRODUCT_NAME, PRODUCT_NAME);
    if (!found) return 0;
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
    if (have_file) FindClose(search);
    HMODULE rich = LoadLibraryA("RICHED32.DLL");
    if (rich) FreeLibrary(rich);
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
        if (is_readme_option(__argv[i]) && g.readme_available == 1) open_readme_viewer();
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
        if (g.rich_edit) HideCaret(g.rich_edit);
    }
    return static_cast<int>(msg.wParam);
}

static void shut_down(void) {
    if (g.readme_viewer) {
        DestroyWindow(g.readme_viewer);
        if (g.rich_edit_module) FreeLibrary(g.rich_edit_module);
    }
    DestroyAcceleratorTable(g.accelerators);
    tray_notify(NIM_DELETE);
    if (g.tray_menu) DestroyMenu(g.tray_menu);
    if (g.update_timer) KillTimer(g.main_window, IDT_UPDATE);
    if (g.post_timer) KillTimer(g.main_window, IDT_POST);
    if (g.tick_timer) KillTimer(g.main_window, IDT_TICK);
}

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int) {
    find_ini_path(instance);
    read_settings();
    if (refuse_second_copy()) return 0;

    g.readme_search = 1;
    InitCommonControls();
    g.readme_available = check_readme_available();

    create_main_window(instance);
    handle_command_line();

    g.settings_dialog = open_dialog("IDD_SETTINGDLG", settings_dialog_proc);
    g.accelerators = LoadAcceleratorsA(instance, MAKEINTRESOURCEA(IDR_ACCEL));
    set_run_state(0);
    g.running = 0;
    // No timer callback: the tick reaches the main window procedure as
    // WM_TIMER either way, and a window procedure cast to a TIMERPROC would
    // be called through the wrong type.
    g.tick_timer = static_cast<int>(SetTimer(g.main_window, IDT_TICK, 1000, nullptr));
    if (!g.tick_timer) {
        report_fatal(g.main_window, "タイマーが確保できません。");
        PostQuitMessage(0);
    }

    int code = run_message_loop();
    shut_down();
    return code;
}
