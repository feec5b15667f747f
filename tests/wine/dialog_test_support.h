// Support for the in-process tests of the dialog code. A test file includes
// one src/ui/*_win.cpp, then this header, which supplies what the rest of the
// program would: the Settings record, recording stand-ins for the functions
// of the other files, a main window that records what it is sent, and the
// real dialog templates, read from the built Yarrowmeld.exe (loaded as a
// data file, so its code never runs).
//
// The other dialogs' own files are linked in (tests/wine/CMakeLists.txt);
// the windows they open are stand-ins made by open_dialog.
#ifndef YARROWMELD_DIALOG_TEST_SUPPORT_H
#define YARROWMELD_DIALOG_TEST_SUPPORT_H

#include <windows.h>

#include <stdio.h>
#include <string.h>

#include <initializer_list>
#include <string>
#include <vector>

#include "app/app_win.h"
#include "test_windows.h"
#include "ui/dialog_common_win.cpp"
#include "ui/readme_viewer_win.h"

Settings g;

// ------------------------------------------------------------ checks

static int passed, failed;

static inline void check(bool ok, const char *what, int line) {
    if (ok) {
        passed++;
    } else {
        failed++;
        printf("FAIL line %d: %s\n", line, what);
    }
}

static inline std::string printable(const std::string &s) {
    std::string out;
    for (unsigned char c : s) {
        if (c >= 0x20 && c < 0x7F && c != '\\') {
            out += static_cast<char>(c);
        } else {
            char hex[8];
            snprintf(hex, sizeof hex, "\\x%02X", c);
            out += hex;
        }
    }
    return out;
}

static inline void check_eq_text(const std::string &got, const std::string &want, const char *what,
                                 int line) {
    if (got == want) {
        passed++;
        return;
    }
    failed++;
    printf("FAIL line %d: %s\n  got  \"%s\"\n  want \"%s\"\n", line, what, printable(got).c_str(),
           printable(want).c_str());
}

static inline void check_eq_int(long long got, long long want, const char *what, int line) {
    if (got == want) {
        passed++;
        return;
    }
    failed++;
    printf("FAIL line %d: %s: got %lld, want %lld\n", line, what, got, want);
}

#define CHECK(cond) check((cond), #cond, __LINE__)
#define CHECK_TEXT(got, want) check_eq_text((got), (want), #got, __LINE__)
#define CHECK_INT(got, want) check_eq_int((got), (want), #got, __LINE__)

static inline int finish(void) {
    printf("%d passed, %d failed\n", passed, failed);
    return failed ? 1 : 0;
}

// ------------------------------------------------ what the others record

struct Calls {
    std::vector<int> run_states;         // set_run_state arguments
    std::vector<std::string> tray_tips;  // set_tray_tip: "title|running"
    std::vector<DWORD> tray_messages;    // tray_notify
    std::vector<std::string> opened;     // open_dialog template names
    int timers_stopped = 0;              // stop_work_timers
    std::vector<std::string> fatal;      // report_fatal texts
    std::vector<UINT> main_commands;     // WM_COMMAND ids at the main window
    std::vector<WPARAM> main_timers;     // WM_TIMER ids at the main window
    int dialog_alive_at_post = -1;       // settings dialog present at IDT_POST
    HWND closing_rich_edit = nullptr;    // the control when IDM_CLOSE_README came
    int rich_edit_alive_at_close = -1;   // ... and whether it still existed then
};
static Calls calls;

void report_fatal(HWND, const char *text) {
    calls.fatal.push_back(text);
}

BOOL tray_notify(DWORD message) {
    calls.tray_messages.push_back(message);
    return TRUE;
}

void set_tray_tip(const char *title, int running) {
    calls.tray_tips.push_back(std::string(title) + "|" + (running ? "1" : "0"));
}

void set_run_state(int state) {
    calls.run_states.push_back(state);
    g.running = state;
}

// The screen's DPI as the code under test sees it: the tests' prefix keeps
// Wine's 96, so a test sets the DPI of its case here.
static int test_dpi = 96;
int screen_dpi(void) {
    return test_dpi;
}

// Another dialog the code under test opens: a plain hidden window stands in.
static inline HWND make_stand_in(void) {
    return CreateWindowExA(0, "STATIC", "stand-in", WS_POPUP, 0, 0, 10, 10, nullptr, nullptr,
                           nullptr, nullptr);
}

HWND open_dialog(const char *template_name, DLGPROC) {
    calls.opened.push_back(template_name);
    return make_stand_in();
}

// How often a template was opened.
static inline int times_opened(const char *template_name) {
    int n = 0;
    for (const std::string &name : calls.opened) n += name == template_name;
    return n;
}

// The run's timers: none are started by the dialogs under test.
void stop_work_timers(void) {
    calls.timers_stopped++;
}

// ------------------------------------------------------- main window

static const UINT WM_READ_BOX = WM_APP + 1;
static inline void read_and_answer_box(HWND window);

// Stands in for the main window: records commands and timers and does what
// the real one does for the commands the dialogs send it.
static inline LRESULT CALLBACK test_main_proc(HWND window, UINT message, WPARAM wparam,
                                              LPARAM lparam) {
    switch (message) {
        case WM_COMMAND:
            calls.main_commands.push_back(LOWORD(wparam));
            if (LOWORD(wparam) == IDM_STATUS && g.status_shown == 1) {
                g.status_shown = 0;
                if (g.status_window) {
                    DestroyWindow(g.status_window);
                    g.status_window = nullptr;
                }
            }
            if (LOWORD(wparam) == IDM_CLOSE_README) {
                if (calls.closing_rich_edit)
                    calls.rich_edit_alive_at_close = IsWindow(calls.closing_rich_edit) != 0;
                readme_viewer_close();
            }
            return 0;
        case WM_READ_BOX:
            read_and_answer_box(reinterpret_cast<HWND>(wparam));
            return 0;
        case WM_TIMER:
            calls.main_timers.push_back(wparam);
            if (wparam == IDT_POST)
                calls.dialog_alive_at_post = g.settings_dialog != nullptr;
            return 0;
    }
    return DefWindowProcA(window, message, wparam, lparam);
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

// A dialog of the program's real template, owned by the test's main window
// as the program's own are.
static inline HWND open_test_dialog(const char *template_name, DLGPROC proc) {
    return CreateDialogParamA(g.instance, template_name, g.main_window, proc,
                              reinterpret_cast<LPARAM>(g.main_window));
}

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

static inline std::string read_file(const char *path) {
    std::string out;
    HANDLE f = CreateFileA(path, GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
    if (f == INVALID_HANDLE_VALUE)
        return "<missing>";
    char buffer[4096];
    DWORD n;
    while (ReadFile(f, buffer, sizeof buffer, &n, nullptr) && n) out.append(buffer, n);
    CloseHandle(f);
    return out;
}

static inline void write_file(const char *path, const std::string &text) {
    HANDLE f = CreateFileA(path, GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
    DWORD n;
    WriteFile(f, text.data(), static_cast<DWORD>(text.size()), &n, nullptr);
    CloseHandle(f);
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
    return finish();
}

#endif
