// The main window and the run control with a page window in this process:
// a burst asked for while one goes out, a key message the system refuses,
// the readme viewer's library, the status entry's tick, and the search for
// this copy's readme viewer beside another copy's. Prints "N passed,
// M failed" and exits non-zero on a failure.
#include <windows.h>

#include <stdio.h>
#include <string.h>

#include <string>

#include "app/app_win.h"
#include "app/main_window_win.h"
#include "automation/finder_win.h"
#include "automation/key_send_win.h"
#include "automation/run_control_win.h"
#include "dialog_test_support.h"

// Every key message goes through here, in the place of the program's own
// sender; the one numbered fail_send_at (counted from 0) fails as the
// system fails it for a browser that runs at a higher integrity level.
static int sends;
static int fail_send_at = -1;

int send_key_message(HWND page, const KeyMessage &m) {
    if (sends++ == fail_send_at)
        return 0;
    SendMessageA(page, m.msg, m.wparam, m.lparam);
    return 1;
}

// The status window can be closed from outside while it initialises: this
// closes it as soon as its initialisation is over, before its opener has
// its handle.
static bool status_closes_while_opening;
static HHOOK close_hook;

static LRESULT CALLBACK close_after_init(int code, WPARAM wparam, LPARAM lparam) {
    const CWPRETSTRUCT *call = reinterpret_cast<const CWPRETSTRUCT *>(lparam);
    if (code == HC_ACTION && status_closes_while_opening && call->message == WM_INITDIALOG &&
        GetDlgItem(call->hwnd, IDC_STATUS_CLOSE))
        SendMessageA(call->hwnd, WM_CLOSE, 0, 0);
    return CallNextHookEx(close_hook, code, wparam, lparam);
}

// ------------------------------------------------------ page window

static HWND page;
static std::string typed;  // the WM_CHAR codes the page received
static int clicks_on_first_char;

// The search finds this test's page window; its rules are tested on their
// own.
HWND find_target_window(void) {
    return page;
}

static void double_click_tray(void) {
    SendMessageA(g.main_window, WM_TRAYNOTIFY, 1, WM_LBUTTONDBLCLK);
}

static LRESULT CALLBACK page_proc(HWND window, UINT message, WPARAM wparam, LPARAM lparam) {
    if (message == WM_CHAR) {
        typed += static_cast<char>(wparam);
        // While the page takes its time, the user double-clicks the tray
        // icon: the clicks arrive in the middle of the burst.
        if (typed.size() == 1) {
            for (; clicks_on_first_char > 0; --clicks_on_first_char) double_click_tray();
        }
    }
    return DefWindowProcA(window, message, wparam, lparam);
}

static void post_now(const char *text) {
    lstrcpyA(g.post_text, text);
    typed.clear();
    sends = 0;
    KillTimer(g.main_window, IDT_POST_GUARD);
    g.post_guard = 0;
    SendMessageA(g.main_window, WM_TIMER, IDT_POST, 0);
}

// Two double clicks while a post goes out stop and start the program; the
// start's own post must not be typed into the one still going.
static void test_no_burst_inside_a_burst(void) {
    start_running();
    post_now("abcdef");
    clicks_on_first_char = 2;
    post_now("abcdef");
    CHECK(clicks_on_first_char == 0);
    CHECK_EQ(typed, "abcdef\r");
    CHECK(g.running == 1);
    // Once it is over, a post goes out as ever.
    post_now("xy");
    CHECK_EQ(typed, "xy\r");
}

// A key message that fails for any reason ends the burst there.
static void test_refused_key_ends_the_burst(void) {
    fail_send_at = 3;  // the WM_KEYDOWN of "b"
    post_now("abc");
    fail_send_at = -1;
    CHECK_EQ(typed, "a");
    CHECK(sends == 4);
}

// ----------------------------------------------------- readme viewer

static HMODULE module_at_viewer_destroy = nullptr;
static int handle_at_viewer_destroy = -1;

static LRESULT CALLBACK viewer_proc(HWND window, UINT message, WPARAM wparam, LPARAM lparam) {
    if (message == WM_DESTROY) {
        module_at_viewer_destroy = GetModuleHandleA("riched32.dll");
        handle_at_viewer_destroy = g.rich_edit_module != nullptr;
    }
    return DefWindowProcA(window, message, wparam, lparam);
}

// Any program can post the close command while the viewer still holds its
// control: the viewer (and the control) go before the library.
static void test_close_readme_order(void) {
    g.readme_viewer = make_window("TestViewer", viewer_proc, "viewer", WS_POPUP, 0, 0, 200, 100);
    g.rich_edit_module = LoadLibraryA("RICHED32.DLL");
    CHECK(g.rich_edit_module != nullptr);
    HWND control = CreateWindowExA(0, "RICHEDIT", "", WS_CHILD | WS_VISIBLE, 0, 0, 100, 50,
                                   g.readme_viewer, nullptr, GetModuleHandleA(nullptr), nullptr);
    CHECK(control != nullptr);
    HWND viewer = g.readme_viewer;
    SendMessageA(g.main_window, WM_COMMAND, IDM_CLOSE_README, 0);
    CHECK(handle_at_viewer_destroy == 1);
    CHECK(module_at_viewer_destroy != nullptr);
    CHECK(!IsWindow(viewer));
    CHECK(!IsWindow(control));
    CHECK(g.readme_viewer == nullptr);
    CHECK(g.rich_edit_module == nullptr);
}

// ------------------------------------------------------ status entry

static bool status_ticked(void) {
    return (GetMenuState(g.tray_menu, IDM_STATUS, MF_BYCOMMAND) & MF_CHECKED) != 0;
}

static void test_status_tick_needs_a_window(void) {
    g.running = 1;
    status_closes_while_opening = true;
    SendMessageA(g.main_window, WM_COMMAND, IDM_STATUS, 0);
    CHECK(g.status_window == nullptr);
    CHECK(!status_ticked());
    status_closes_while_opening = false;
    SendMessageA(g.main_window, WM_COMMAND, IDM_STATUS, 0);
    CHECK(g.status_window != nullptr);
    CHECK(status_ticked());
    SendMessageA(g.main_window, WM_COMMAND, IDM_STATUS, 0);
    CHECK(!status_ticked());
}

// Opening the settings dialog stops the run's timers through here: both
// are killed and recorded as gone, the run state left as it is.
static void test_work_timers_stop(void) {
    start_running();
    CHECK(g.update_timer != 0);
    CHECK(g.post_timer != 0);
    stop_work_timers();
    CHECK(g.update_timer == 0);
    CHECK(g.post_timer == 0);
    CHECK(!KillTimer(g.main_window, IDT_UPDATE));
    CHECK(!KillTimer(g.main_window, IDT_POST));
    stop_running();
}

// ------------------------------------------- another copy's viewer

static const char viewer_caption[] = "Yarrowmeld - Readme.txt";

// The other copy: a viewer of the same caption, up until told to go.
static int run_decoy(const char *ready_name, const char *done_name) {
    HWND decoy = CreateWindowExA(0, "#32770", viewer_caption, WS_POPUP, 0, 0, 50, 50, nullptr,
                                 nullptr, nullptr, nullptr);
    HANDLE ready = OpenEventA(EVENT_MODIFY_STATE, FALSE, ready_name);
    HANDLE done = OpenEventA(SYNCHRONIZE, FALSE, done_name);
    if (!decoy || !ready || !done)
        return 1;
    SetEvent(ready);
    WaitForSingleObject(done, 120000);
    return 0;
}

static void test_search_finds_own_viewer(void) {
    HWND own = CreateWindowExA(0, "#32770", viewer_caption, WS_POPUP, 0, 0, 50, 50, nullptr,
                               nullptr, nullptr, nullptr);
    CHECK(own != nullptr);
    char ready_name[64], done_name[64];
    snprintf(ready_name, sizeof ready_name, "yarrow-decoy-ready-%lu", GetCurrentProcessId());
    snprintf(done_name, sizeof done_name, "yarrow-decoy-done-%lu", GetCurrentProcessId());
    HANDLE ready = CreateEventA(nullptr, TRUE, FALSE, ready_name);
    HANDLE done = CreateEventA(nullptr, TRUE, FALSE, done_name);
    char self[MAX_PATH], command[MAX_PATH * 2];
    GetModuleFileNameA(nullptr, self, sizeof self);
    snprintf(command, sizeof command, "\"%s\" --decoy %s %s", self, ready_name, done_name);
    STARTUPINFOA si = {};
    si.cb = sizeof si;
    PROCESS_INFORMATION pi = {};
    CHECK(CreateProcessA(nullptr, command, nullptr, nullptr, FALSE, 0, nullptr, nullptr, &si, &pi));
    HANDLE waits[2] = {ready, pi.hProcess};
    CHECK(WaitForMultipleObjects(2, waits, FALSE, 120000) == WAIT_OBJECT_0);

    // The other copy's viewer comes first.
    HWND first = FindWindowA("#32770", viewer_caption);
    DWORD process = 0;
    GetWindowThreadProcessId(first, &process);
    CHECK(first != nullptr && process == pi.dwProcessId);

    g.readme_viewer = nullptr;
    g.readme_search = 1;
    g.readme_search_ticks = 30;
    SendMessageA(g.main_window, WM_TIMER, IDT_TICK, 0);
    CHECK(g.readme_viewer == own);
    CHECK(g.readme_search == 0);

    SetEvent(done);
    CHECK(WaitForSingleObject(pi.hProcess, 60000) == WAIT_OBJECT_0);
    CloseHandle(pi.hProcess);
    CloseHandle(pi.hThread);
    CloseHandle(ready);
    CloseHandle(done);
    g.readme_viewer = nullptr;
    DestroyWindow(own);
}

int main(void) {
    if (__argc == 4 && !strcmp(__argv[1], "--decoy"))
        return run_decoy(__argv[2], __argv[3]);

    // The status window's template comes from the program.
    CHECK(find_program());
    g.instance = LoadLibraryExA(program_path, nullptr, LOAD_LIBRARY_AS_DATAFILE);
    CHECK(g.instance != nullptr);
    close_hook =
        SetWindowsHookExA(WH_CALLWNDPROCRET, close_after_init, nullptr, GetCurrentThreadId());
    lstrcpyA(g.title, "Chat");
    g.update_secs = 10;
    g.post_secs = 20;
    g.main_window = make_window("TestMain", main_window_proc, "main", WS_POPUP, 0, 0, 0, 0);
    page = make_window("TestPage", page_proc, "page", WS_POPUP, 0, 0, 10, 10);
    CHECK(g.main_window != nullptr && page != nullptr && g.tray_menu != nullptr);

    test_no_burst_inside_a_burst();
    test_refused_key_ends_the_burst();
    test_close_readme_order();
    test_status_tick_needs_a_window();
    test_work_timers_stop();
    test_search_finds_own_viewer();

    stop_running();
    DestroyWindow(page);
    UnhookWindowsHookEx(close_hook);
    CHECK(shell_calls.fatal.empty());
    return checks::finish();
}
