// End-to-end test harness: runs under Wine beside the program, plays the
// user (finds windows, reads texts, sends commands and keys, answers message
// boxes) and the browser (a frame window with a page window that records
// every message it receives).
//
// A test file defines tests with E2E_TEST(name) { ... } and checks with the
// CHECK_* and REQUIRE_* macros below. `harness.exe <name>` runs one test and
// exits 0 when it passed. Every wait in here pumps the harness's own
// messages, because the program sends its keystrokes to the fake browser
// synchronously and would hang if the harness stopped answering.
#ifndef YARROWMELD_E2E_HARNESS_H
#define YARROWMELD_E2E_HARNESS_H

#include <windows.h>

// Every command, control and message number of the program.
#include "app/ids.h"
#include "checks.h"
#include "test_files.h"

#include <functional>
#include <memory>
#include <string>
#include <type_traits>
#include <utility>
#include <vector>

struct ChatRoom;

namespace e2e {

// ---------------------------------------------------------------------------
// Test registration and assertions

typedef void (*TestFn)();

struct Registrar {
    Registrar(const char *name, TestFn fn, const char *file, int line, unsigned codepage);
};

// A test that runs under the default ANSI code page, 932.
#define E2E_TEST(name) E2E_TEST_CP(name, 932)

// A test that runs under another ANSI code page (1252 is the single-byte one
// on offer). Wine takes the code page from the locale of the process tree,
// so the harness and every program it starts share it; e2e.cmake reads the
// number from this line and sets the locale before the harness starts.
#define E2E_TEST_CP(name, codepage)                                                          \
    static void e2e_test_##name();                                                           \
    static ::e2e::Registrar e2e_registrar_##name(#name, e2e_test_##name, __FILE__, __LINE__, \
                                                 codepage);                                  \
    static void e2e_test_##name()

// Thrown by the REQUIRE_* macros to leave the test at once; the objects the
// test created (processes, sandboxes, fake browsers) clean up on the way out.
struct Abort {};

// The assertions are the shared ones of the Wine test programs.
using checks::quote;
using checks::report;

#define REQUIRE(cond)             \
    do {                          \
        if (!CHECK(cond))         \
            throw ::e2e::Abort(); \
    } while (0)
#define REQUIRE_EQ(a, b)                                                    \
    do {                                                                    \
        if (!::checks::check_eq_impl((a), (b), #a, #b, __FILE__, __LINE__)) \
            throw ::e2e::Abort();                                           \
    } while (0)
// Fails the test with a message and leaves it.
#define FAIL(msg)                                           \
    do {                                                    \
        ::checks::report(false, __FILE__, __LINE__, (msg)); \
        throw ::e2e::Abort();                               \
    } while (0)

// Prints a line to the test log.
void note(const char *fmt, ...);

// ---------------------------------------------------------------------------
// Time and waiting

// Every time-out is multiplied by YARROW_E2E_TIME_SCALE (default 1), so that a
// slow machine can be given more room without editing the tests.
DWORD scaled(DWORD ms);

// Handles every message waiting for the harness's thread (sent and posted).
void pump();

// Waits until pred() holds, pumping messages, for at most timeout_ms (scaled).
// Returns whether it held. Never sleeps longer than a short slice at a time.
bool wait_until(const std::function<bool()> &pred, DWORD timeout_ms);

// Default time-out for a window to appear or go; generous, since the first
// start of a program under Wine can take a while.
const DWORD kWindowTimeout = 60000;

// Waits a while for something that must not happen; true when it did not.
// Only for things that would come from a timer of a second or less, so that
// the default wait spans several of its periods.
bool stays_quiet(const std::function<bool()> &happened, DWORD ms = 3500);

// ---------------------------------------------------------------------------
// Windows

std::string class_name(HWND w);
std::string window_text(HWND w);     // GetWindowTextA: bytes in the ANSI code page
std::wstring window_text_w(HWND w);  // GetWindowTextW
// Text of a dialog item, asked for with WM_GETTEXT (works across processes,
// unlike GetWindowText for controls such as edits).
std::string item_text(HWND dialog, int id);
DWORD window_pid(HWND w);

// Top-level windows in EnumWindows order (under Wine the newest first).
std::vector<HWND> top_windows();
std::vector<HWND> children(HWND parent);  // all descendants

// First top-level window of the process (pid 0: any) with this class (null:
// any) and caption (null: any); visible or not.
HWND find_top(DWORD pid, const char *cls, const char *caption);
std::vector<HWND> find_tops(DWORD pid, const char *cls, const char *caption);
HWND wait_top(DWORD pid, const char *cls, const char *caption, DWORD timeout_ms = kWindowTimeout);
bool wait_gone(HWND w, DWORD timeout_ms = kWindowTimeout);

// Dialogs (class "#32770") of a process that hold a child with this id.
// The wait returns the dialog only once it is ready (see is_ready).
HWND find_dialog_with(DWORD pid, int child_id);
HWND wait_dialog_with(DWORD pid, int child_id, DWORD timeout_ms = kWindowTimeout);
// A window is ready when it is visible and its thread has answered a
// message, so that its initialisation has run to its end (answer_ms for
// the answer).
bool is_ready(HWND w, DWORD answer_ms);

// The control with the keyboard focus on the given thread, or null.
HWND focused_window(DWORD thread_id);

void post_command(HWND w, int id);
// SendMessage with a time-out, pumping meanwhile; returns false on time-out.
bool send_message(HWND w, UINT msg, WPARAM wp, LPARAM lp, DWORD timeout_ms = 10000,
                  LRESULT *result = nullptr);
void set_item_text(HWND dialog, int id, const char *text);

RECT window_rect(HWND w);
// Moves a window as a drag of its caption would, and waits until it stands
// there.
void move_window(HWND w, int x, int y);
// The selection of an edit: its first and one-past-last position.
std::pair<int, int> selection(HWND edit);
// The visible pop-up menu of the process, or null.
HWND shown_menu(DWORD pid);

// Makes the window's top-level window the foreground window.
bool bring_forward(HWND target, DWORD timeout_ms = 10000);

// Brings the window forward and types a key through the system's input queue
// (SendInput), as a user would; modifiers is a combination of MOD_ALT,
// MOD_CONTROL and MOD_SHIFT.
bool press_key(HWND target, WORD vk, UINT modifiers = 0);

// ---------------------------------------------------------------------------
// Pictures of windows, read from the screen

struct Image {
    int cx = 0, cy = 0;
    std::vector<DWORD> px;  // 0x00RRGGBB, top row first
    bool operator==(const Image &o) const { return cx == o.cx && cy == o.cy && px == o.px; }
    bool operator!=(const Image &o) const { return !(*this == o); }
    // Whether more than one colour shows: something has been drawn on it.
    bool drawn() const;
};

Image capture(HWND w);
Image capture_client(HWND w);  // the client area alone
// Writes a picture as a BMP file, for a look after a failure.
void save_image(const Image &img, const std::string &path);
// Waits until two pictures in a row are the same and pass the test.
Image wait_steady(HWND w, const std::function<bool(const Image &)> &drawn);

// ---------------------------------------------------------------------------
// Message boxes

struct MessageBoxInfo {
    HWND hwnd = nullptr;
    std::string caption;  // ANSI code page bytes
    std::string text;     // the "Static" with id 0xFFFF
};

// A message box is a "#32770" with the static 0xFFFF and an OK button.
bool is_message_box(HWND w);
// Waits for a message box of the process (pid 0: any).
bool wait_message_box(DWORD pid, MessageBoxInfo *out, DWORD timeout_ms = kWindowTimeout);
// Presses OK and waits for the box to go.
bool press_ok(const MessageBoxInfo &box);

// ---------------------------------------------------------------------------
// Processes and sandboxes

// The job every process a test starts joins (the program and any helper), so
// that Wine ends them when the harness itself ends before it could clean up
// (a crash, the test runner's time-out). Null when it could not be made.
HANDLE kill_on_exit_job();

class Process {
public:
    Process() {}
    Process(HANDLE process, HANDLE thread, DWORD pid, DWORD tid);
    ~Process();
    Process(Process &&o) noexcept;
    Process &operator=(Process &&o) noexcept;
    Process(const Process &) = delete;
    Process &operator=(const Process &) = delete;

    bool valid() const { return process_ != nullptr; }
    DWORD pid() const { return pid_; }
    DWORD main_thread_id() const { return tid_; }
    bool running() const;
    // Waits for the process to end (pumping); stores its exit code.
    bool wait_exit(DWORD timeout_ms, DWORD *exit_code);
    // Ends it if it still runs and waits until it has gone.
    void kill();

private:
    HANDLE process_ = nullptr;
    HANDLE thread_ = nullptr;
    DWORD pid_ = 0;
    DWORD tid_ = 0;
};

// The started program runs under the harness's ANSI code page (see
// E2E_TEST_CP).
struct StartOptions {
    std::vector<std::string> args;  // after the program name; quoted as needed
    std::string cwd;                // empty: the sandbox folder
};

// A fresh folder for one test with a copy of the program in it. Processes
// started through it are ended when it goes, and the folder is removed when
// the test passed (kept for a look when it failed).
class Sandbox {
public:
    // exe_name: the name of the copy ("Yarrowmeld.exe"); sub_dir: an optional
    // folder below the sandbox root that receives the copy (ANSI bytes).
    explicit Sandbox(const std::string &exe_name = "Yarrowmeld.exe",
                     const std::string &sub_dir = "");
    ~Sandbox();
    Sandbox(const Sandbox &) = delete;
    Sandbox &operator=(const Sandbox &) = delete;

    const std::string &root() const { return root_; }
    const std::string &exe_dir() const { return exe_dir_; }
    std::string exe_path() const { return exe_dir_ + "\\" + exe_name_; }
    std::string path(const std::string &name) const { return exe_dir_ + "\\" + name; }

    // Files in the folder of the copy (name relative to it).
    void write_file(const std::string &name, const std::string &bytes);
    bool read_file(const std::string &name, std::string *bytes) const;
    bool exists(const std::string &name) const;

    // Starts the copy; the process is ended when the sandbox goes.
    Process &start(const StartOptions &opts = StartOptions());

private:
    std::string root_, exe_dir_, exe_name_;
    std::vector<std::unique_ptr<Process>> processes_;
};

// Files by full path.
using ::read_file;
using ::write_file;
bool contains(const std::string &hay, const std::string &needle);

// Path of the program under test: YARROW_EXE, else Yarrowmeld.exe beside the
// harness, else the one at the top of the Windows build tree.
std::string program_path();

// ---------------------------------------------------------------------------
// The program's texts and settings file

// Texts in code page 932, spelled out as bytes so that they do not depend on
// how the tests are compiled.
constexpr char kLostWindow932[] =  // "指定されたウインドウが見つかりません。"
    "\x8E\x77\x92\xE8\x82\xB3\x82\xEA\x82\xBD\x83\x45\x83\x43\x83\x93\x83\x68\x83\x45\x82\xAA"
    "\x8C\xA9\x82\xC2\x82\xA9\x82\xE8\x82\xDC\x82\xB9\x82\xF1\x81\x42";
constexpr char kHyo932[] = "\x95\x5C";  // "表": its trail byte is the one of '\\'

constexpr char kViewerCaption[] = "Yarrowmeld - Readme.txt";

// What the settings hold, as the file shows them.
struct IniValues {
    int update;
    int post;
    std::string title;
    std::string text;
};
// The settings section as a save writes it (an empty value without quotes),
// and as a test may give it.
std::string settings_ini(const IniValues &v);
// The settings dialog's fields in the order of IniValues, one a line, and
// the same for the values a test expects, so that one check compares all four.
std::string dialog_fields(HWND settings_dialog);
std::string fields_of(const IniValues &v);

// ---------------------------------------------------------------------------
// The program's windows

// Waits until a window is visible and its thread answers messages again, so
// that a dialog's initialisation has run to its end.
bool wait_ready(HWND w, DWORD timeout_ms = kWindowTimeout);

// The settings dialog: the "#32770" of the process holding the title field,
// once it is ready.
HWND wait_settings_dialog(const Process &p, DWORD timeout_ms = kWindowTimeout);
// The hidden main window (class and title "Yarrowmeld") of the process.
HWND find_main_window(DWORD pid);
HWND settings_dialog(const Process &p);  // null when none is open
HWND about_dialog(const Process &p);
HWND status_window(const Process &p);
std::vector<HWND> viewers(const Process &p);                            // readme viewers
HWND wait_viewer(const Process &p, DWORD timeout_ms = kWindowTimeout);  // ready
// The text of the viewer's rich-edit control, read across processes.
std::string viewer_text(HWND viewer);

// Waits for the process to end and checks that it ended with code 0.
void check_exit_0(Process &p);

// One copy of the program in a fresh folder, started with the given
// Yarrowmeld.ini (none when empty) and Readme.txt (none when empty), and
// waited for until its settings dialog is up.
struct Yarrow {
    Sandbox box;
    Process *proc = nullptr;
    HWND main = nullptr;
    HWND dlg = nullptr;  // the settings dialog while it is open

    explicit Yarrow(const std::string &ini, const std::string &readme = "");
    DWORD pid() const { return proc->pid(); }
    HWND item(int id) const { return GetDlgItem(dlg, id); }
    std::string ini() const;  // the file's bytes, or "<no file>"

    // The control with the keyboard focus in the program, once it is the
    // given field of the dialog (false when it does not get there).
    bool focus_reaches(int id) const;
    void fill(const char *title, const char *text, const char *update, const char *post) const;
    // A click on one of the dialog's buttons. Posted, since a refusal keeps
    // the click's handling inside its message box.
    void click(int id) const { PostMessageA(item(id), BM_CLICK, 0, 0); }
    // A click on the close box.
    void close_box() const { PostMessageA(dlg, WM_SYSCOMMAND, SC_CLOSE, 0); }
    // A button or close box that is meant to close the dialog.
    void wait_closed();
    // A save or start that is meant to pass: the dialog closes, and no
    // refusal or other box comes up instead.
    void wait_accepted();
    // The start button; the dialog closes once the first post has gone out.
    void press_start();
    // Closed with WM_CLOSE, and opened again from the tray (which stops the
    // automation).
    void close_settings();
    void open_settings();
    // A double click on the tray icon, handled before this returns.
    bool double_click_tray();
};

// ---------------------------------------------------------------------------
// Tray

// Icons shown by the Wine system tray (children of "Wine System Tray"), or
// -1 when there is no such tray window.
int tray_icon_count();
// Puts an icon of the harness's own into the tray (once); false when the tray
// takes none. `harness.exe --hold-tray` keeps one for the whole Wine session,
// so that the tray never runs empty (an empty tray stalls Wine's explorer).
bool hold_tray_icon();

// ---------------------------------------------------------------------------
// The fake browser

struct Message {
    UINT msg;
    WPARAM wparam;
    LPARAM lparam;
    bool operator==(const Message &o) const {
        return msg == o.msg && wparam == o.wparam && lparam == o.lparam;
    }
};
std::string describe(const Message &m);
std::string describe(const std::vector<Message> &ms);

}  // namespace e2e

namespace checks {
// Message lists compare and print as the harness describes them.
bool check_eq_impl(const std::vector<e2e::Message> &a, const std::vector<e2e::Message> &b,
                   const char *ae, const char *be, const char *file, int line);
}  // namespace checks

namespace e2e {

// A top-level frame window of a browser class with a page window nested in
// it (frame > "Shell DocObject View" > page, or frame > page when nested is
// false), shown unless visible is false: the chat room of the simulator
// (tools/chatsim/chat_room.h) on the harness's thread, with an ANSI page
// window that records every message it receives. A frame of class
// "Chrome_WidgetWin_1" plays a browser of today: its page window, a direct
// child, hands its keys on to the frame, and hidden helper windows of the
// class come with it.
class FakeBrowser {
public:
    FakeBrowser(const char *frame_class = "IEFrame", const char *title = "Chat room",
                const char *page_class = "Internet Explorer_Server", bool nested = true,
                bool visible = true);
    ~FakeBrowser();
    FakeBrowser(const FakeBrowser &) = delete;
    FakeBrowser &operator=(const FakeBrowser &) = delete;

    HWND frame() const;
    HWND page() const;
    void set_title(const char *title);

    // Everything the page window has received since the start or the last
    // clear(), in order.
    const std::vector<Message> &page_messages() const;
    // Only WM_KEYDOWN, WM_CHAR and WM_KEYUP of the page window.
    std::vector<Message> page_keys() const;
    // The WM_CHAR codes received by the page window, as bytes.
    std::string typed() const;
    void clear();
    // Waits until the page window has received at least n key messages.
    bool wait_keys(size_t n, DWORD timeout_ms = kWindowTimeout);

private:
    std::unique_ptr<ChatRoom> room_;
    std::vector<Message> page_log_;
};

}  // namespace e2e

#endif
