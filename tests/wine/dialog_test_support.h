// Support for the in-process tests of the dialogs. A test program links the
// program's own Win32 files (tests/wine/CMakeLists.txt) and includes this
// header, which supplies a main window that records what it is sent before
// the program's own main window procedure handles it, and the real dialog
// templates, read from the built Yarrowmeld.exe (loaded as a data file, so
// its code never runs).
#ifndef YARROWMELD_DIALOG_TEST_SUPPORT_H
#define YARROWMELD_DIALOG_TEST_SUPPORT_H

#include <windows.h>

#include <stdio.h>
#include <string.h>

#include <initializer_list>
#include <string>
#include <vector>

#include "app/app_win.h"
#include "app/main_window_win.h"
#include "automation/run_control_win.h"
#include "checks.h"
#include "shell_stub.h"
#include "test_files.h"
#include "test_windows.h"
#include "ui/about_dialog_win.h"
#include "ui/readme_viewer_win.h"
#include "ui/settings_dialog_win.h"
#include "ui/status_window_win.h"

// ------------------------------------------------ what the main window saw

struct Calls {
    std::vector<UINT> main_commands;    // WM_COMMAND ids at the main window
    std::vector<WPARAM> main_timers;    // WM_TIMER ids at the main window
    int dialog_alive_at_post = -1;      // settings dialog present at IDT_POST
    HWND closing_rich_edit = nullptr;   // the control when IDM_CLOSE_README came
    int rich_edit_alive_at_close = -1;  // ... and whether it still existed then
};
static Calls calls;

// ------------------------------------------------------- main window

static const UINT WM_READ_BOX = WM_APP + 1;
static inline void read_and_answer_box(HWND window);

// The program's main window, which records commands and timers first. The
// timers stop there: these tests have no page window for a post to go to.
static inline LRESULT CALLBACK test_main_proc(HWND window, UINT message, WPARAM wparam,
                                              LPARAM lparam) {
    switch (message) {
        case WM_COMMAND:
            calls.main_commands.push_back(LOWORD(wparam));
            if (LOWORD(wparam) == IDM_CLOSE_README && calls.closing_rich_edit)
                calls.rich_edit_alive_at_close = IsWindow(calls.closing_rich_edit) != 0;
            break;
        case WM_READ_BOX:
            read_and_answer_box(reinterpret_cast<HWND>(wparam));
            return 0;
        case WM_TIMER:
            calls.main_timers.push_back(wparam);
            if (wparam == IDT_POST)
                calls.dialog_alive_at_post = g.settings_dialog != nullptr;
            return 0;
    }
    return main_window_proc(window, message, wparam, lparam);
}

// ------------------------------------------------------------ set-up

static char temp_folder[MAX_PATH];

// A fresh folder for the test, made the current directory.
static inline bool make_temp_folder(void) {
    char base[MAX_PATH];
    if (!GetTempPathA(sizeof base, base))
        return false;
    for (int i = 0; i < 1000; i++) {
        snprintf(temp_folder, sizeof temp_folder, "%syarrow-dlg-%lu-%d", base,
                 GetCurrentProcessId(), i);
        if (CreateDirectoryA(temp_folder, nullptr))
            return SetCurrentDirectoryA(temp_folder) != 0;
    }
    return false;
}

static inline void remove_temp_folder(void) {
    char pattern[MAX_PATH + 4];
    snprintf(pattern, sizeof pattern, "%s\\*", temp_folder);
    WIN32_FIND_DATAA found;
    HANDLE search = FindFirstFileA(pattern, &found);
    if (search != INVALID_HANDLE_VALUE) {
        do {
            if (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)
                continue;
            char path[MAX_PATH * 2];
            snprintf(path, sizeof path, "%s\\%s", temp_folder, found.cFileName);
            DeleteFileA(path);
        } while (FindNextFileA(search, &found));
        FindClose(search);
    }
    char parent[MAX_PATH];
    GetTempPathA(sizeof parent, parent);
    SetCurrentDirectoryA(parent);
    RemoveDirectoryA(temp_folder);
}

static char program_path[MAX_PATH];

// Yarrowmeld.exe of the same build: two folders up from tests/wine, or the
// path given as the first argument.
static inline bool find_program(void) {
    if (__argc > 1) {
        lstrcpynA(program_path, __argv[1], sizeof program_path);
    } else {
        char self[MAX_PATH];
        GetModuleFileNameA(nullptr, self, sizeof self);
        char *cut = strrchr(self, '\\');
        if (!cut)
            return false;
        *cut = 0;
        snprintf(program_path, sizeof program_path, "%s\\..\\..\\Yarrowmeld.exe", self);
    }
    return GetFileAttributesA(program_path) != INVALID_FILE_ATTRIBUTES;
}

// Loads the program's resources, creates the main window and the INI path.
// Returns false (after saying why) when the test cannot run at all.
static inline bool set_up(void) {
    if (!make_temp_folder()) {
        printf("FAIL: no temporary folder\n");
        return false;
    }
    if (!find_program()) {
        printf("FAIL: Yarrowmeld.exe not found at %s (build it first, or name it)\n", program_path);
        return false;
    }
    g.instance = LoadLibraryExA(program_path, nullptr, LOAD_LIBRARY_AS_DATAFILE);
    if (!g.instance) {
        printf("FAIL: cannot load the resources of %s\n", program_path);
        return false;
    }
    g.main_window = make_window("YarrowmeldTestMain", test_main_proc, "main", WS_POPUP, 0, 0, 0, 0);
    snprintf(g.ini_path, sizeof g.ini_path, "%s\\Yarrowmeld.ini", temp_folder);
    return g.main_window != nullptr;
}

// ------------------------------------------------------------ helpers

static inline RECT window_rect(HWND window) {
    RECT r;
    GetWindowRect(window, &r);
    return r;
}

// One way of sending a window a message, named for the test's output: the
// rows of the tests that try every way of closing or activating a dialog.
struct MessageWay {
    const char *how;
    UINT message;
    WPARAM wparam;
};

static inline std::string window_text(HWND window) {
    char text[2048];
    int n = GetWindowTextA(window, text, sizeof text);
    return std::string(text, n > 0 ? n : 0);
}

static inline std::string item_text(HWND dialog, int id) {
    return window_text(GetDlgItem(dialog, id));
}

// Text of the entry at a position of a menu, "-" for a separator.
static inline std::string menu_entry(HMENU menu, int position) {
    MENUITEMINFOA info = {};
    char text[256] = "";
    info.cbSize = sizeof info;
    info.fMask = MIIM_FTYPE | MIIM_STRING | MIIM_ID;
    info.dwTypeData = text;
    info.cch = sizeof text;
    if (!GetMenuItemInfoA(menu, position, TRUE, &info))
        return "<none>";
    if (info.fType & MFT_SEPARATOR)
        return "-";
    char line[300];
    snprintf(line, sizeof line, "%u %s", info.wID, text);
    return line;
}

// ------------------------------------------- answering message boxes

// A message box that comes up while armed is read and answered with OK.
struct SeenBox {
    std::string caption;
    std::string text;
    bool topmost = false;
};
static std::vector<SeenBox> boxes;
static bool answer_boxes;
static HHOOK box_hook;

// The box's texts are set after it is activated, so it is read once its
// own message loop runs: the hook posts the main window a note.

static inline void read_and_answer_box(HWND window) {
    SeenBox box;
    box.caption = window_text(window);
    box.text = window_text(GetDlgItem(window, 0xFFFF));
    box.topmost = (GetWindowLongA(window, GWL_EXSTYLE) & WS_EX_TOPMOST) != 0;
    boxes.push_back(box);
    PostMessageA(window, WM_COMMAND, IDOK, 0);
}

static inline LRESULT CALLBACK box_watch(int code, WPARAM wparam, LPARAM lparam) {
    if (code == HCBT_ACTIVATE && answer_boxes) {
        HWND window = reinterpret_cast<HWND>(wparam);
        char class_name[16];
        GetClassNameA(window, class_name, sizeof class_name);
        if (strcmp(class_name, "#32770") == 0 && GetDlgItem(window, 0xFFFF) &&
            GetDlgItem(window, IDOK))
            PostMessageA(g.main_window, WM_READ_BOX, reinterpret_cast<WPARAM>(window), 0);
    }
    return CallNextHookEx(box_hook, code, wparam, lparam);
}

static inline void watch_boxes(void) {
    box_hook = SetWindowsHookExA(WH_CBT, box_watch, nullptr, GetCurrentThreadId());
    answer_boxes = true;
}

// ------------------------------------------------------- the program

// The settings every dialog test starts from, and nothing recorded yet.
static inline void reset_settings(void) {
    calls = Calls();
    shell_calls = ShellCalls();
    boxes.clear();
    lstrcpyA(g.title, "Lobby");
    lstrcpyA(g.post_text, ".");
    g.update_secs = g.update_left = 10;
    g.post_secs = g.post_left = 240;
    g.running = 0;
    g.instance_override = 0;
}

// The whole test program: set up, each test in turn, clean up, the count.
static inline int run_tests(std::initializer_list<void (*)(void)> tests) {
    if (!set_up())
        return 1;
    for (void (*test)(void) : tests) test();
    remove_temp_folder();
    return checks::finish();
}

#endif
