// The tray as the user meets it: the icon, its tooltip and picture, the
// pop-up menu with its entries, ticks and greying, the clicks on the icon
// with and without an open dialog, the keys that the main window turns into
// commands for the settings and about dialogs, the main window's lifetime
// messages and the icon's return after the taskbar announces itself again.
//
// The shell is played by sending the main window WM_TRAYNOTIFY with the
// mouse message in lParam. The menu of another process cannot be read, so
// its picture on the screen is compared with that of a menu that the
// harness builds itself from the expected entries and shows at the same
// size: texts, order, separators, ticks and greying all show in it. The
// tooltip is read from the shell's tooltip window while the mouse rests on
// the icon, and the icon's picture is compared with icons the harness puts
// into the tray from the program's own resources.
#include "harness.h"

#include <algorithm>
#include <atomic>
#include <cstring>

using namespace e2e;

namespace {

// The menu texts in code page 932, spelled out as bytes.
const char kStopText[] = "\x92\xE2\x81\x40\x8E\x7E (&E)";                       // 停　止 (&E)
const char kStartText[] = "\x8A\x4A\x81\x40\x8E\x6E (&G)";                      // 開　始 (&G)
const char kAboutText[] = "\xCA\xDE\xB0\xBC\xDE\xAE\xDD\x8F\xEE\x95\xF1 (&A)";  // ﾊﾞｰｼﾞｮﾝ情報 (&A)
const char kStatusText[] = "\xBD\xC3\xB0\xC0\xBD\x95\x5C\x8E\xA6 (&T)";  // ｽﾃｰﾀｽ表示 (&T)
const char kSettingsText[] = "\x90\xDD\x81\x40\x92\xE8 (&S)";            // 設　定 (&S)
const char kReadmeText[] = "Readme.txt \x82\xCC\x95\x5C\x8E\xA6 (&B)";  // Readme.txt の表示 (&B)
const char kExitText[] = "\x8F\x49\x81\x40\x97\xB9 (&X)";               // 終　了 (&X)

const std::string kChatIni = settings_ini({600, 3600, "Chat room", "."});

// ---------------------------------------------------------------------------
// Pictures of menus

DWORD screen_pixel(int sys_color) {
    COLORREF c = GetSysColor(sys_color);
    return (GetRValue(c) << 16) | (GetGValue(c) << 8) | GetBValue(c);
}

// A menu that has been drawn: mostly the menu colour, with text in it.
bool looks_like_menu(const Image &img) {
    const DWORD face = screen_pixel(COLOR_MENU), text = screen_pixel(COLOR_MENUTEXT);
    size_t faces = std::count(img.px.begin(), img.px.end(), face);
    size_t texts = std::count(img.px.begin(), img.px.end(), text);
    return !img.px.empty() && faces * 2 > img.px.size() && texts > 100;
}

// ---------------------------------------------------------------------------
// The menu the program should show, drawn by the harness

struct Entry {
    UINT flags;
    UINT id;
    const char *text;
};

enum class Marks {
    none,     // as built: nothing ticked or greyed
    stopped,  // stop ticked, status greyed
    running,  // start ticked, status enabled
};

std::vector<Entry> tray_menu(bool readme, Marks marks, bool status_ticked = false) {
    const UINT stop = marks == Marks::stopped ? MF_CHECKED : 0;
    const UINT start = marks == Marks::running ? MF_CHECKED : 0;
    const UINT status =
        (marks == Marks::stopped ? MF_GRAYED : 0) | (status_ticked ? MF_CHECKED : 0);
    std::vector<Entry> m = {
        {MF_STRING | stop, IDM_STOP, kStopText},
        {MF_SEPARATOR, 0, nullptr},
        {MF_STRING | start, IDM_START, kStartText},
        {MF_SEPARATOR, 0, nullptr},
        {MF_STRING, IDM_ABOUT, kAboutText},
        {MF_SEPARATOR, 0, nullptr},
        {MF_STRING | status, IDM_STATUS, kStatusText},
        {MF_SEPARATOR, 0, nullptr},
        {MF_STRING, IDM_SETTINGS, kSettingsText},
    };
    if (readme) {
        m.push_back({MF_SEPARATOR, 0, nullptr});
        m.push_back({MF_STRING, IDM_README, kReadmeText});
    }
    m.push_back({MF_SEPARATOR, 0, nullptr});
    m.push_back({MF_STRING, IDM_EXIT, kExitText});
    return m;
}

std::atomic<bool> g_reference_done(false);

LRESULT CALLBACK reference_owner_proc(HWND w, UINT msg, WPARAM wp, LPARAM lp) {
    return DefWindowProcA(w, msg, wp, lp);
}

void CALLBACK reference_timer(HWND, UINT, UINT_PTR, DWORD) {
    if (g_reference_done)
        EndMenu();
}

struct ReferenceRequest {
    std::vector<Entry> entries;
    POINT at;
};

// Shows the menu on a thread of its own, which stays in the menu's loop
// until g_reference_done.
DWORD WINAPI reference_thread(void *param) {
    const ReferenceRequest *req = static_cast<const ReferenceRequest *>(param);
    WNDCLASSA wc;
    memset(&wc, 0, sizeof wc);
    wc.lpfnWndProc = reference_owner_proc;
    wc.hInstance = GetModuleHandleA(nullptr);
    wc.lpszClassName = "YarrowmeldHarnessMenuOwner";
    RegisterClassA(&wc);
    HWND owner = CreateWindowExA(0, wc.lpszClassName, "menu owner", WS_POPUP, 0, 0, 0, 0, nullptr,
                                 nullptr, wc.hInstance, nullptr);
    HMENU menu = CreatePopupMenu();
    for (const Entry &e : req->entries) AppendMenuA(menu, e.flags, e.id, e.text);
    SetTimer(owner, 1, 20, reference_timer);
    SetForegroundWindow(owner);
    TrackPopupMenu(menu, TPM_RIGHTBUTTON, req->at.x, req->at.y, 0, owner, nullptr);
    KillTimer(owner, 1);
    DestroyMenu(menu);
    DestroyWindow(owner);
    return 0;
}

// The picture of the expected menu, shown by the harness at `at`.
Image reference_menu(const std::vector<Entry> &entries, POINT at) {
    ReferenceRequest req{entries, at};
    g_reference_done = false;
    HANDLE thread = CreateThread(nullptr, 0, reference_thread, &req, 0, nullptr);
    if (!thread)
        FAIL("cannot start the thread of the reference menu");
    Image img;
    HWND shown = wait_top(GetCurrentProcessId(), "#32768", nullptr, 20000);
    if (shown)
        img = wait_steady(shown, looks_like_menu);
    g_reference_done = true;
    wait_until([&] { return WaitForSingleObject(thread, 0) == WAIT_OBJECT_0; }, 20000);
    CloseHandle(thread);
    if (!shown || !looks_like_menu(img))
        FAIL("the reference menu did not show");
    return img;
}

POINT point(int x, int y) {
    POINT p = {x, y};
    return p;
}

// Right-clicks the icon with the cursor at `at` and checks that the menu
// opens with its top left corner there, looking like `expected`. Returns the
// open menu.
HWND open_menu(const Process &p, HWND main_window, const std::vector<Entry> &expected,
               const Sandbox &box, const char *label) {
    // Right of the pretend browser (40..520): the program raises the browser
    // when it posts, and Wine may carry that raise out after the menu is up.
    const POINT at = point(600, 180);
    const Image want = reference_menu(expected, at);
    SetCursorPos(at.x, at.y);
    PostMessageA(main_window, WM_TRAYNOTIFY, 1, WM_RBUTTONUP);
    HWND menu = nullptr;
    if (!wait_until([&] { return (menu = shown_menu(p.pid())) != nullptr; }, 30000)) {
        FAIL(std::string("no menu after a right click (") + label + ")");
    }
    RECT r;
    GetWindowRect(menu, &r);
    CHECK_EQ(r.left, at.x);
    CHECK_EQ(r.top, at.y);
    Image got;
    if (!wait_until([&] { return (got = capture(menu)) == want; }, 10000)) {
        const std::string base = box.root() + "\\menu-" + label;
        save_image(want, base + "-expected.bmp");
        save_image(got, base + "-shown.bmp");
        report(false, __FILE__, __LINE__,
               std::string("the menu (") + label + ") differs from the expected one; see " +
                   quote(base) + "-*.bmp");
    }
    return menu;
}

// Chooses an entry of the open menu by its letter.
void choose(HWND menu, WORD key) {
    REQUIRE(press_key(nullptr, key));
    REQUIRE(wait_gone(menu, 20000));
}

// ---------------------------------------------------------------------------
// The tray icons

std::vector<HWND> tray_icons() {
    std::vector<HWND> out;
    HWND tray = find_top(0, nullptr, "Wine System Tray");
    if (!tray)
        return out;
    for (HWND w : children(tray)) {
        if (lstrcmpiA(class_name(w).c_str(), "__winex11_tray_icon") == 0)
            out.push_back(w);
    }
    return out;
}

// The icon that is in the tray now and was not in `before`.
HWND wait_new_icon(const std::vector<HWND> &before) {
    HWND found = nullptr;
    wait_until(
        [&] {
            for (HWND w : tray_icons()) {
                if (std::find(before.begin(), before.end(), w) == before.end()) {
                    found = w;
                    return true;
                }
            }
            return false;
        },
        20000);
    return found;
}

std::vector<HWND> visible_tooltips() {
    std::vector<HWND> out;
    for (HWND w : find_tops(0, "tooltips_class32", nullptr)) {
        if (IsWindowVisible(w))
            out.push_back(w);
    }
    return out;
}

// Moves the mouse away from the tray and waits for its tooltips to go.
void park_cursor() {
    SetCursorPos(GetSystemMetrics(SM_CXSCREEN) - 3, GetSystemMetrics(SM_CYSCREEN) - 3);
    wait_until([] { return visible_tooltips().empty(); }, 10000);
}

// The tooltip that the shell shows while the mouse rests on the icon.
std::string hover_tip(HWND icon) {
    // Away from the tray first, so that the next tooltip to show is this
    // icon's.
    park_cursor();
    RECT r;
    GetWindowRect(icon, &r);
    SetCursorPos((r.left + r.right) / 2, (r.top + r.bottom) / 2);
    std::string text;
    wait_until(
        [&] {
            for (HWND t : visible_tooltips()) {
                char buf[256] = "";
                send_message(t, WM_GETTEXT, sizeof buf, reinterpret_cast<LPARAM>(buf));
                if (buf[0]) {
                    text = buf;
                    return true;
                }
            }
            return false;
        },
        10000);
    return text;
}

// Waits until the icon's tooltip reads `want` (the tooltip is read anew
// each round, as the shell shows the text of the moment only on hover).
bool wait_tip(HWND icon, const std::string &want) {
    std::string seen;
    const DWORD start = GetTickCount();
    for (;;) {
        seen = hover_tip(icon);
        if (seen == want)
            return true;
        if (GetTickCount() - start > scaled(30000))
            break;
    }
    report(false, __FILE__, __LINE__, "tooltip " + quote(seen) + ", expected " + quote(want));
    return false;
}

// Two icons from the program's own resources, stopped and running, put into
// the tray by the harness: the program's icon must look like one of them.
class ReferenceIcons {
public:
    explicit ReferenceIcons(const Sandbox &box) : dir_(box.root()) {
        const std::string exe = box.exe_path();
        WNDCLASSA wc;
        memset(&wc, 0, sizeof wc);
        wc.lpfnWndProc = reference_owner_proc;
        wc.hInstance = GetModuleHandleA(nullptr);
        wc.lpszClassName = "YarrowmeldHarnessIcons";
        RegisterClassA(&wc);
        owner_ = CreateWindowExA(0, wc.lpszClassName, "reference icons", WS_POPUP, 0, 0, 0, 0,
                                 nullptr, nullptr, wc.hInstance, nullptr);
        HMODULE module = LoadLibraryExA(exe.c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE);
        if (!module)
            FAIL("cannot load the program's resources from " + quote(exe));
        stopped_ = add(module, IDI_STOPPED, 1);
        running_ = add(module, IDI_RUNNING, 2);
        FreeLibrary(module);
        if (!stopped_ || !running_)
            FAIL("the reference icons did not show in the tray");
    }
    ~ReferenceIcons() {
        for (UINT id = 1; id <= 2; ++id) {
            NOTIFYICONDATAA nid;
            memset(&nid, 0, sizeof nid);
            nid.cbSize = sizeof nid;
            nid.hWnd = owner_;
            nid.uID = id;
            Shell_NotifyIconA(NIM_DELETE, &nid);
        }
        for (HICON i : icons_) DestroyIcon(i);
        DestroyWindow(owner_);
    }
    ReferenceIcons(const ReferenceIcons &) = delete;
    ReferenceIcons &operator=(const ReferenceIcons &) = delete;

    // Whether the program's icon shows the stopped (or running) picture.
    bool looks_stopped(HWND icon) const { return looks_like(icon, stopped_, "stopped"); }
    bool looks_running(HWND icon) const { return looks_like(icon, running_, "running"); }
    bool pictures_differ() const { return capture(stopped_) != capture(running_); }

private:
    HWND add(HMODULE module, int resource, UINT id) {
        HICON icon = static_cast<HICON>(
            LoadImageA(module, MAKEINTRESOURCEA(resource), IMAGE_ICON, 16, 16, LR_DEFAULTCOLOR));
        if (!icon)
            return nullptr;
        icons_.push_back(icon);
        const std::vector<HWND> before = tray_icons();
        NOTIFYICONDATAA nid;
        memset(&nid, 0, sizeof nid);
        nid.cbSize = sizeof nid;
        nid.hWnd = owner_;
        nid.uID = id;
        nid.uFlags = NIF_ICON | NIF_TIP;
        nid.hIcon = icon;
        lstrcpyA(nid.szTip, resource == IDI_STOPPED ? "reference stopped" : "reference running");
        if (!Shell_NotifyIconA(NIM_ADD, &nid))
            return nullptr;
        HWND shown = wait_new_icon(before);
        // Drawn once two looks in a row agree and show more than one colour.
        if (shown) {
            wait_steady(shown, [](const Image &img) { return img.drawn(); });
        }
        return shown;
    }
    bool looks_like(HWND icon, HWND reference, const char *label) const {
        park_cursor();
        // An icon that the shell moved along in its row may not have been
        // drawn at its new place yet.
        InvalidateRect(icon, nullptr, TRUE);
        InvalidateRect(reference, nullptr, TRUE);
        Image got, want;
        if (wait_until([&] { return (got = capture(icon)) == (want = capture(reference)); },
                       10000)) {
            return true;
        }
        const std::string base = dir_ + "\\icon-" + label;
        save_image(want, base + "-expected.bmp");
        save_image(got, base + "-shown.bmp");
        note("the icon differs from the %s one; see %s-*.bmp", label, quote(base).c_str());
        return false;
    }

    std::string dir_;
    HWND owner_ = nullptr;
    HWND stopped_ = nullptr, running_ = nullptr;
    std::vector<HICON> icons_;
};

// ---------------------------------------------------------------------------
// The program's windows

// Where center_window puts a window of this rectangle.
POINT centre_of(const RECT &r) {
    const int w = r.right - r.left, h = r.bottom - r.top;
    return point(((GetSystemMetrics(SM_CXSCREEN) - w) / 2 + 4) & ~7,
                 (GetSystemMetrics(SM_CYSCREEN) - h) / 2);
}

POINT top_left(HWND w) {
    RECT r;
    GetWindowRect(w, &r);
    return point(r.left, r.top);
}

bool at(HWND w, POINT where) {
    POINT now = top_left(w);
    return now.x == where.x && now.y == where.y;
}

bool at_centre(HWND w) {
    RECT r;
    GetWindowRect(w, &r);
    return at(w, centre_of(r));
}

HWND focus_of(const Process &p) {
    return focused_window(p.main_thread_id());
}

// A window of the harness's own that can take the foreground from the
// program.
HWND harness_front() {
    static HWND front = nullptr;
    if (front)
        return front;
    WNDCLASSA wc;
    memset(&wc, 0, sizeof wc);
    wc.lpfnWndProc = reference_owner_proc;
    wc.hInstance = GetModuleHandleA(nullptr);
    wc.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_WINDOW + 1);
    wc.lpszClassName = "YarrowmeldHarnessFront";
    RegisterClassA(&wc);
    front = CreateWindowExA(0, wc.lpszClassName, "harness", WS_POPUP | WS_VISIBLE | WS_BORDER,
                            GetSystemMetrics(SM_CXSCREEN) - 60, GetSystemMetrics(SM_CYSCREEN) - 60,
                            40, 40, nullptr, nullptr, wc.hInstance, nullptr);
    return front;
}

// Asks again while waiting: clicks posted to the program just before may
// still raise its dialog after the first request.
void take_foreground() {
    REQUIRE(bring_forward(harness_front(), 10000));
}

// Takes the foreground, clicks the icon and waits until want is in front.
// Without a window manager Wine may hand the foreground to the desktop a
// moment after the program's raise (see tray_clicks_raise_open_dialogs); the
// click is then made once or twice more, and the log tells where the
// foreground went. A program that does not raise the dialog fails all of
// them.
bool click_brings_forward(HWND main_window, LPARAM mouse_message, HWND want) {
    for (int attempt = 0; attempt < 3; ++attempt) {
        take_foreground();
        PostMessageA(main_window, WM_TRAYNOTIFY, 1, mouse_message);
        if (wait_until([&] { return GetForegroundWindow() == want; }, attempt < 2 ? 8000 : 20000))
            return true;
        HWND fg = GetForegroundWindow();
        note("after the click the foreground is %s %s", class_name(fg).c_str(),
             quote(window_text(fg)).c_str());
    }
    return false;
}

// Makes sure the main window has handled every message posted to it so
// far, by posting one more whose effect can be seen and waiting for that:
// with the about dialog open, a click on the icon that brings it forward
// from behind a window of the harness; with the settings dialog open, a
// label command that moves the focus; with neither, a right click that
// opens the menu, which Esc closes again.
void settle(const Process &p, HWND main_window) {
    HWND about = about_dialog(p);
    HWND settings = settings_dialog(p);
    if (about) {
        REQUIRE(click_brings_forward(main_window, WM_LBUTTONUP, about));
    } else if (settings) {
        const bool on_update = focus_of(p) == GetDlgItem(settings, IDC_UPDATE_SECS);
        const int label = on_update ? IDC_LABEL_TITLE : IDC_LABEL_UPDATE;
        HWND target = GetDlgItem(settings, on_update ? IDC_TITLE : IDC_UPDATE_SECS);
        post_command(main_window, label);
        // Without a window manager Wine may hand the foreground to the
        // desktop a moment after a raise; a label command handled then finds
        // the dialog inactive and moves no focus. It is asked again with the
        // dialog in front.
        bool moved = wait_until([&] { return focus_of(p) == target; }, 5000);
        for (int i = 0; !moved && i < 3; ++i) {
            note("the label command moved no focus; asking again");
            bring_forward(settings, 10000);
            post_command(main_window, label);
            moved = wait_until([&] { return focus_of(p) == target; }, 5000);
        }
        REQUIRE(moved);
    } else {
        SetCursorPos(300, 180);
        PostMessageA(main_window, WM_TRAYNOTIFY, 1, WM_RBUTTONUP);
        HWND menu = nullptr;
        REQUIRE(wait_until([&] { return (menu = shown_menu(p.pid())) != nullptr; }, 30000));
        choose(menu, VK_ESCAPE);
    }
}

// Closes the settings dialog as its close box does.
void close_settings(const Process &p) {
    HWND dlg = settings_dialog(p);
    REQUIRE(dlg);
    PostMessageA(dlg, WM_CLOSE, 0, 0);
    REQUIRE(wait_gone(dlg));
}

// Dots and Enter, as the program types them into the page window.
std::vector<Message> post_keys() {
    return {{WM_KEYDOWN, '.', 0},  {WM_CHAR, '.', 0},  {WM_KEYUP, '.', 0},
            {WM_KEYDOWN, '\r', 0}, {WM_CHAR, '\r', 0}, {WM_KEYUP, '\r', 0}};
}

}  // namespace

// ---------------------------------------------------------------------------

// Without Readme.txt the right click opens the menu at the cursor with its
// eleven entries, stop ticked and the status entry greyed. Esc closes it
// without a command; its exit entry ends the program with code 0, takes the
// icon out of the tray and writes nothing.
E2E_TEST(tray_menu_without_readme) {
    Sandbox box;
    const size_t icons_before = tray_icons().size();
    Process &p = box.start();
    REQUIRE(wait_settings_dialog(p));
    HWND main_window = find_main_window(p.pid());
    REQUIRE(main_window);
    CHECK_EQ(tray_icons().size(), icons_before + 1);
    close_settings(p);
    std::string ini_before;
    REQUIRE(box.read_file("Yarrowmeld.ini", &ini_before));
    DeleteFileA(box.path("Yarrowmeld.ini").c_str());

    HWND menu = open_menu(p, main_window, tray_menu(false, Marks::stopped), box, "stopped");
    choose(menu, VK_ESCAPE);
    settle(p, main_window);
    CHECK(p.running());
    CHECK(!settings_dialog(p) && !about_dialog(p));

    menu = open_menu(p, main_window, tray_menu(false, Marks::stopped), box, "stopped-again");
    choose(menu, 'X');
    check_exit_0(p);
    CHECK(wait_until([&] { return tray_icons().size() == icons_before; }, 20000));
    CHECK(!box.exists("Yarrowmeld.ini"));
}

// With Readme.txt the menu has thirteen entries. Its readme entry opens the
// viewer once, also when chosen again; the viewer does not keep the menu
// from showing. The viewer's close request destroys the viewer, and means
// nothing once it is gone.
E2E_TEST(tray_menu_with_readme) {
    Yarrow y("", "Readme of the tray test\r\n");
    Process &p = *y.proc;
    HWND main_window = y.main;
    close_settings(p);

    HWND menu = open_menu(p, main_window, tray_menu(true, Marks::stopped), y.box, "readme");
    choose(menu, 'B');
    HWND viewer = wait_viewer(p);
    REQUIRE(viewer);

    menu = open_menu(p, main_window, tray_menu(true, Marks::stopped), y.box, "readme-open");
    choose(menu, 'B');
    settle(p, main_window);
    CHECK_EQ(viewers(p).size(), 1u);
    CHECK(viewers(p).front() == viewer);

    // The viewer's OK asks the main window to close it.
    post_command(viewer, IDOK);
    CHECK(wait_gone(viewer));

    // The same request from outside, with the viewer opened by its command.
    post_command(main_window, IDM_README);
    viewer = wait_viewer(p);
    REQUIRE(viewer);
    post_command(main_window, IDM_CLOSE_README);
    CHECK(wait_gone(viewer));
    post_command(main_window, IDM_CLOSE_README);
    settle(p, main_window);
    CHECK(p.running());
    CHECK(viewers(p).empty());

    // The about entry opens the dialog; asked again, the open one stays.
    menu = open_menu(p, main_window, tray_menu(true, Marks::stopped), y.box, "readme-closed");
    choose(menu, 'A');
    HWND about = wait_dialog_with(p.pid(), IDC_ABOUT_VERSION);
    REQUIRE(about);
    post_command(main_window, IDM_ABOUT);
    settle(p, main_window);
    CHECK(about_dialog(p) == about);
    CHECK_EQ(find_tops(p.pid(), "#32770", nullptr).size(), 1u);
}

// A double click on the icon starts the program when it is stopped and
// stops it when it runs. The icon's picture and tooltip follow, and so do
// the menu's ticks and greying. The status entry opens and closes the status
// window while running, and does nothing while stopped.
E2E_TEST(tray_double_click_toggles_run_state) {
    Sandbox box;
    box.write_file("Yarrowmeld.ini", kChatIni);
    FakeBrowser browser("IEFrame", "Chat room");
    // Before the program's icon, so that they keep their places when it
    // goes.
    ReferenceIcons pictures(box);
    REQUIRE(pictures.pictures_differ());
    const std::vector<HWND> icons_before = tray_icons();
    Process &p = box.start();
    REQUIRE(wait_settings_dialog(p));
    HWND main_window = find_main_window(p.pid());
    REQUIRE(main_window);
    HWND icon = wait_new_icon(icons_before);
    REQUIRE(icon);
    close_settings(p);

    CHECK(wait_tip(icon, "Yarrowmeld[OFF] - Chat room"));
    CHECK(pictures.looks_stopped(icon));
    // Status while stopped: nothing, not even when sent past the menu.
    post_command(main_window, IDM_STATUS);
    settle(p, main_window);
    CHECK(!status_window(p));

    note("double click while stopped");
    PostMessageA(main_window, WM_TRAYNOTIFY, 1, WM_LBUTTONDBLCLK);
    CHECK(browser.wait_keys(6, 30000));
    CHECK_EQ(browser.page_keys(), post_keys());
    CHECK(wait_tip(icon, "Yarrowmeld[ON] - Chat room"));
    CHECK(pictures.looks_running(icon));
    HWND menu = open_menu(p, main_window, tray_menu(false, Marks::running), box, "running");
    choose(menu, 'T');
    HWND status = wait_dialog_with(p.pid(), IDC_STATUS_CLOSE, 20000);
    CHECK(status != nullptr);
    menu = open_menu(p, main_window, tray_menu(false, Marks::running, true), box, "status-on");
    choose(menu, 'T');
    if (status)
        CHECK(wait_gone(status, 20000));

    note("double click while running");
    browser.clear();
    PostMessageA(main_window, WM_TRAYNOTIFY, 1, WM_LBUTTONDBLCLK);
    CHECK(wait_tip(icon, "Yarrowmeld[OFF] - Chat room"));
    CHECK(pictures.looks_stopped(icon));
    menu = open_menu(p, main_window, tray_menu(false, Marks::stopped), box, "stopped");
    choose(menu, VK_ESCAPE);
    post_command(main_window, IDM_STATUS);
    settle(p, main_window);
    CHECK(!status_window(p));
    CHECK(browser.page_keys().empty());
}

// The menu's start and stop entries switch the run state, and its settings
// entry opens the settings dialog, which stops the program and closes the
// status window. While that dialog is open a double click does nothing, and
// the tooltip follows the title typed into it.
E2E_TEST(tray_menu_start_stop_settings) {
    Sandbox box;
    box.write_file("Yarrowmeld.ini", kChatIni);
    FakeBrowser browser("IEFrame", "Chat room");
    const std::vector<HWND> icons_before = tray_icons();
    Process &p = box.start();
    REQUIRE(wait_settings_dialog(p));
    HWND main_window = find_main_window(p.pid());
    REQUIRE(main_window);
    HWND icon = wait_new_icon(icons_before);
    REQUIRE(icon);
    close_settings(p);

    HWND menu = open_menu(p, main_window, tray_menu(false, Marks::stopped), box, "stopped");
    choose(menu, 'G');
    CHECK(browser.wait_keys(6, 30000));
    CHECK_EQ(browser.page_keys(), post_keys());
    CHECK(wait_tip(icon, "Yarrowmeld[ON] - Chat room"));

    menu = open_menu(p, main_window, tray_menu(false, Marks::running), box, "running");
    choose(menu, 'E');
    CHECK(wait_tip(icon, "Yarrowmeld[OFF] - Chat room"));

    // Started again, with the status window shown, then the settings entry.
    browser.clear();
    post_command(main_window, IDM_START);
    CHECK(browser.wait_keys(6, 30000));
    post_command(main_window, IDM_STATUS);
    HWND status = wait_dialog_with(p.pid(), IDC_STATUS_CLOSE, 20000);
    CHECK(status != nullptr);
    menu = open_menu(p, main_window, tray_menu(false, Marks::running, true), box, "status-on");
    choose(menu, 'S');
    HWND dlg = wait_settings_dialog(p);
    REQUIRE(dlg);
    if (status)
        CHECK(wait_gone(status, 20000));
    CHECK(wait_tip(icon, "Yarrowmeld[OFF] - Chat room"));
    CHECK_EQ(item_text(dlg, IDC_TITLE), "Chat room");

    // Open already: the command changes nothing.
    post_command(main_window, IDM_SETTINGS);
    browser.clear();
    PostMessageA(main_window, WM_TRAYNOTIFY, 1, WM_LBUTTONDBLCLK);
    settle(p, main_window);
    CHECK(settings_dialog(p) == dlg);
    CHECK(browser.page_keys().empty());
    CHECK(wait_tip(icon, "Yarrowmeld[OFF] - Chat room"));
    MessageBoxInfo unexpected;
    CHECK(!wait_message_box(p.pid(), &unexpected, 0));

    // The tooltip follows the title field. A title too long for the tip is
    // cut before the character that would not fit whole: 18 bytes of
    // "Yarrowmeld[OFF] - " leave room for 22 double-byte characters, and
    // half of a 23rd would show as a stray character.
    std::string title, tip = "Yarrowmeld[OFF] - ";
    for (int i = 0; i < 30; ++i) title += kHyo932;
    for (int i = 0; i < 22; ++i) tip += kHyo932;
    set_item_text(dlg, IDC_TITLE, title.c_str());
    CHECK(wait_tip(icon, tip));
}

// With the settings dialog open, a click on the icon (left or right) brings
// it forward instead of showing the menu, and centres it again when it has
// been dragged away; one that stayed where it was placed is not moved. The
// about dialog is raised after it, measured from where it opened. With only
// the about dialog open the same holds, and a double click does nothing
// while either is open.
E2E_TEST(tray_clicks_raise_open_dialogs) {
    // A saved place off the centre; no title, so a start would report the
    // chat window as lost.
    Yarrow y("[Window]\r\nLeft=96\r\nTop=40\r\n");
    Process &p = *y.proc;
    HWND dlg = y.dlg, main_window = y.main;
    REQUIRE(at(dlg, point(96, 40)));

    note("settings dialog where it was placed");
    CHECK(click_brings_forward(main_window, WM_RBUTTONUP, dlg));
    PostMessageA(main_window, WM_TRAYNOTIFY, 1, WM_LBUTTONUP);
    PostMessageA(main_window, WM_TRAYNOTIFY, 1, WM_LBUTTONDBLCLK);
    settle(p, main_window);
    CHECK(at(dlg, point(96, 40)));
    CHECK(!shown_menu(p.pid()));
    MessageBoxInfo box_info;
    CHECK(!wait_message_box(p.pid(), &box_info, 0));

    note("settings dialog dragged away");
    move_window(dlg, 37, 61);
    take_foreground();
    PostMessageA(main_window, WM_TRAYNOTIFY, 1, WM_LBUTTONUP);
    CHECK(wait_until([&] { return at_centre(dlg); }, 20000));
    CHECK_EQ(top_left(dlg).x % 8, 0);
    // The foreground is read after a click that moves nothing: without a
    // window manager, hiding the window that holds the X input focus (the
    // centring does) sends that focus to the root, the X server drops Wine's
    // next focus requests, which carry the click's older time, and Wine,
    // reading a focus-out still queued, hands the foreground to the desktop
    // a moment after the raise.
    CHECK(click_brings_forward(main_window, WM_LBUTTONUP, dlg));
    // A click still queued would centre the dialog again under the move.
    settle(p, main_window);
    move_window(dlg, 41, 77);
    PostMessageA(main_window, WM_TRAYNOTIFY, 1, WM_RBUTTONUP);
    CHECK(wait_until([&] { return at_centre(dlg); }, 20000));
    CHECK(!shown_menu(p.pid()));

    note("about dialog over the settings dialog");
    post_command(main_window, IDM_ABOUT);
    HWND about = wait_dialog_with(p.pid(), IDC_ABOUT_VERSION);
    REQUIRE(about);
    const POINT opened = top_left(about);
    PostMessageA(main_window, WM_TRAYNOTIFY, 1, WM_RBUTTONUP);
    PostMessageA(main_window, WM_TRAYNOTIFY, 1, WM_LBUTTONDBLCLK);
    // A click still queued would centre the dialog again under the move.
    settle(p, main_window);
    move_window(dlg, 45, 83);
    PostMessageA(main_window, WM_TRAYNOTIFY, 1, WM_LBUTTONUP);
    // Both raised, the about dialog last; it has not moved, so it stays.
    // The order is seen on a second click, after the centring (see above).
    CHECK(wait_until([&] { return at_centre(dlg); }, 20000));
    CHECK(click_brings_forward(main_window, WM_LBUTTONUP, about));
    CHECK(at(about, opened));
    move_window(about, 29, 35);
    PostMessageA(main_window, WM_TRAYNOTIFY, 1, WM_RBUTTONUP);
    CHECK(wait_until([&] { return at_centre(about); }, 20000));
    CHECK(!shown_menu(p.pid()));
    CHECK(!wait_message_box(p.pid(), &box_info, 0));

    note("about dialog alone");
    close_settings(p);  // takes the about dialog with it
    CHECK(wait_gone(about));
    post_command(main_window, IDM_ABOUT);
    about = wait_dialog_with(p.pid(), IDC_ABOUT_VERSION);
    REQUIRE(about);
    PostMessageA(main_window, WM_TRAYNOTIFY, 1, WM_RBUTTONUP);
    PostMessageA(main_window, WM_TRAYNOTIFY, 1, WM_LBUTTONDBLCLK);
    PostMessageA(main_window, WM_TRAYNOTIFY, 1, WM_LBUTTONUP);
    settle(p, main_window);
    CHECK(!shown_menu(p.pid()));
    CHECK(!wait_message_box(p.pid(), &box_info, 0));
    CHECK(!settings_dialog(p));

    note("no dialog: the double click starts, and the lost chat window is reported");
    post_command(main_window, IDOK);  // reaches the about dialog, which closes
    CHECK(wait_gone(about));
    PostMessageA(main_window, WM_TRAYNOTIFY, 1, WM_LBUTTONDBLCLK);
    REQUIRE(wait_message_box(p.pid(), &box_info));
    CHECK_EQ(box_info.text, kLostWindow932);
    REQUIRE(press_ok(box_info));
    CHECK(wait_settings_dialog(p) != nullptr);
}

// The keys of the accelerator table act in every window of the program and
// reach the settings dialog through the main window: Alt with a label's
// letter puts the focus into that label's field with its text selected,
// also when pressed in the readme viewer; Esc and Enter arrive as commands
// of their own that leave no window with the focus and close nothing, not
// even the viewer whose OK button is its default. With the about dialog open
// the commands go to it instead, and OK sent to the main window closes it.
// Alt+E saves, Alt+S starts and Alt+X ends the program, pressed in the
// viewer as well.
E2E_TEST(tray_keys_reach_dialogs) {
    Sandbox box;
    box.write_file("Yarrowmeld.ini", kChatIni);
    box.write_file("Readme.txt", "Readme of the key test\r\n");
    FakeBrowser browser("IEFrame", "Chat room");
    StartOptions opts;
    opts.args = {"-h"};
    Process &p = box.start(opts);
    HWND dlg = wait_settings_dialog(p);
    REQUIRE(dlg);
    HWND viewer = wait_viewer(p);
    REQUIRE(viewer);
    HWND main_window = find_main_window(p.pid());
    REQUIRE(main_window);

    struct Field {
        WORD key;
        int id;
        int length;
    };
    const Field fields[] = {{'U', IDC_UPDATE_SECS, 3},
                            {'N', IDC_POST_SECS, 4},
                            {'C', IDC_POST_TEXT, 1},
                            {'T', IDC_TITLE, 9}};
    for (HWND where : {dlg, viewer}) {
        note("Alt+letter in the %s", where == dlg ? "settings dialog" : "readme viewer");
        for (const Field &f : fields) {
            HWND field = GetDlgItem(dlg, f.id);
            REQUIRE(press_key(where, f.key, MOD_ALT));
            if (!wait_until([&] { return focus_of(p) == field; }, 20000)) {
                report(false, __FILE__, __LINE__,
                       "Alt+" + std::string(1, static_cast<char>(f.key)) + " did not focus field " +
                           std::to_string(f.id));
                continue;
            }
            CHECK(
                wait_until([&] { return selection(field) == std::make_pair(0, f.length); }, 10000));
        }
    }

    for (HWND where : {dlg, viewer}) {
        for (WORD key : {VK_ESCAPE, VK_RETURN}) {
            note("%s in the %s", key == VK_ESCAPE ? "Esc" : "Enter",
                 where == dlg ? "settings dialog" : "readme viewer");
            post_command(main_window, IDC_LABEL_TITLE);
            REQUIRE(wait_until([&] { return focus_of(p) == GetDlgItem(dlg, IDC_TITLE); }, 20000));
            REQUIRE(press_key(where, key));
            CHECK(wait_until([&] { return focus_of(p) == nullptr; }, 20000));
            settle(p, main_window);
            CHECK(IsWindowVisible(dlg));
            CHECK(IsWindow(viewer) && IsWindowVisible(viewer));
            MessageBoxInfo unexpected;
            CHECK(!wait_message_box(p.pid(), &unexpected, 0));
        }
    }

    note("about dialog open");
    post_command(main_window, IDM_ABOUT);
    HWND about = wait_dialog_with(p.pid(), IDC_ABOUT_VERSION);
    REQUIRE(about);
    // The about dialog has the focus now; a label command meant for the
    // settings dialog would take it.
    REQUIRE(wait_until([&] { return GetAncestor(focus_of(p), GA_ROOT) == about; }, 20000));
    // Sent, and the focus read as soon as it is handled: without a window
    // manager Wine may hand the activation back to the settings dialog a
    // moment after the about dialog took it, and the settings dialog then
    // puts its focus back into a field of its own.
    SendMessageA(main_window, WM_COMMAND, IDC_LABEL_UPDATE, 0);  // to the about dialog
    CHECK(focus_of(p) != GetDlgItem(dlg, IDC_UPDATE_SECS));
    REQUIRE(press_key(about, VK_RETURN));
    REQUIRE(press_key(about, VK_ESCAPE));
    settle(p, main_window);
    CHECK(IsWindow(about));
    post_command(main_window, IDOK);
    CHECK(wait_gone(about));
    // Now the settings dialog gets the commands again; it has no control 2,
    // so the focus goes nowhere.
    post_command(main_window, IDC_LABEL_TITLE);
    REQUIRE(wait_until([&] { return focus_of(p) == GetDlgItem(dlg, IDC_TITLE); }, 20000));
    post_command(main_window, IDCANCEL);
    CHECK(wait_until([&] { return focus_of(p) == nullptr; }, 20000));
    CHECK(IsWindowVisible(dlg));

    note("Alt+E, Alt+S and Alt+X in the readme viewer");
    set_item_text(dlg, IDC_POST_TEXT, "hi");
    REQUIRE(press_key(viewer, 'E', MOD_ALT));  // saves and closes
    CHECK(wait_gone(dlg));
    std::string ini;
    CHECK(box.read_file("Yarrowmeld.ini", &ini) &&
          ini.find("Charcter=\"hi\"\r\n") != std::string::npos);
    post_command(main_window, IDM_SETTINGS);
    dlg = wait_settings_dialog(p);
    REQUIRE(dlg);
    REQUIRE(press_key(viewer, 'S', MOD_ALT));  // starts: the text goes out at once
    CHECK(browser.wait_keys(9, 30000));
    CHECK_EQ(browser.typed(), "hi\r");
    CHECK(wait_gone(dlg));
    post_command(main_window, IDM_SETTINGS);
    dlg = wait_settings_dialog(p);
    REQUIRE(dlg);
    REQUIRE(press_key(viewer, 'X', MOD_ALT));
    check_exit_0(p);
}

// When the taskbar announces itself again, the icon comes back: the stopped
// picture, the tooltip of the run state, and a menu built anew without ticks
// and with the status entry enabled, although the program runs with its
// status window shown. The icon is registered under the main window with id
// 1: taking that away from the tray removes the program's icon.
E2E_TEST(tray_icon_back_after_taskbar_created) {
    Sandbox box;
    box.write_file("Yarrowmeld.ini", kChatIni);
    FakeBrowser browser("IEFrame", "Chat room");
    // Before the program's icon, so that they keep their places when it
    // goes.
    ReferenceIcons pictures(box);
    const std::vector<HWND> icons_before = tray_icons();
    Process &p = box.start();
    REQUIRE(wait_settings_dialog(p));
    HWND main_window = find_main_window(p.pid());
    REQUIRE(main_window);
    HWND icon = wait_new_icon(icons_before);
    REQUIRE(icon);
    close_settings(p);

    post_command(main_window, IDM_START);
    CHECK(browser.wait_keys(6, 30000));
    post_command(main_window, IDM_STATUS);
    HWND status = wait_dialog_with(p.pid(), IDC_STATUS_CLOSE, 20000);
    REQUIRE(status);
    CHECK(wait_tip(icon, "Yarrowmeld[ON] - Chat room"));
    CHECK(pictures.looks_running(icon));

    // The shell lost the icon.
    std::vector<HWND> icons_now = tray_icons();
    NOTIFYICONDATAA nid;
    memset(&nid, 0, sizeof nid);
    nid.cbSize = sizeof nid;
    nid.hWnd = main_window;
    nid.uID = 1;
    REQUIRE(Shell_NotifyIconA(NIM_DELETE, &nid));
    REQUIRE(wait_gone(icon, 20000));
    icons_now.erase(std::find(icons_now.begin(), icons_now.end(), icon));

    const UINT taskbar_created = RegisterWindowMessageA("TaskbarCreated");
    PostMessageA(HWND_BROADCAST, taskbar_created, 0, 0);
    icon = wait_new_icon(icons_now);
    REQUIRE(icon);
    CHECK(pictures.looks_stopped(icon));
    CHECK(wait_tip(icon, "Yarrowmeld[ON] - Chat room"));
    HWND menu = open_menu(p, main_window, tray_menu(false, Marks::none), box, "rebuilt");
    choose(menu, VK_ESCAPE);
    CHECK(IsWindow(status));

    // Sent straight to the main window: answered with 1, and still one icon.
    const size_t count = tray_icons().size();
    LRESULT result = 0;
    CHECK(send_message(main_window, taskbar_created, 0, 0, 20000, &result));
    CHECK_EQ(result, 1);
    CHECK_EQ(tray_icons().size(), count);

    // The status entry still knows the window is shown: it closes it.
    menu = open_menu(p, main_window, tray_menu(false, Marks::none), box, "rebuilt-again");
    choose(menu, 'T');
    CHECK(wait_gone(status, 20000));
}

// The main window's answers to the lifetime messages: the session may end
// (1), the hidden window is never restored (0), WM_CLOSE answers 1 and ends
// the program with code 0, as WM_DESTROY (answered 0) does, and nothing is
// written on the way out.
E2E_TEST(tray_main_window_lifetime) {
    for (UINT closing : {static_cast<UINT>(WM_CLOSE), static_cast<UINT>(WM_DESTROY)}) {
        note("%s", closing == WM_CLOSE ? "WM_CLOSE" : "WM_DESTROY");
        Yarrow y("");
        Process &p = *y.proc;
        HWND main_window = y.main;
        LRESULT result = 99;
        CHECK(send_message(main_window, WM_QUERYENDSESSION, 0, 0, 20000, &result));
        CHECK_EQ(result, 1);
        result = 99;
        CHECK(send_message(main_window, WM_QUERYOPEN, 0, 0, 20000, &result));
        CHECK_EQ(result, 0);
        post_command(main_window, 4242);  // no such command
        settle(p, main_window);
        CHECK(p.running());

        result = 99;
        CHECK(send_message(main_window, closing, 0, 0, 20000, &result));
        CHECK_EQ(result, closing == WM_CLOSE ? 1 : 0);
        check_exit_0(p);
        CHECK(!y.box.exists("Yarrowmeld.ini"));
    }
}
