// The status window, the about dialog and the readme viewer as the user
// meets them through the running program: the tray commands, the system
// menus and the command line that open them, what they show and how they
// close.
#include "harness.h"

#include <cstdlib>

using namespace e2e;

namespace {

// "チャット" in code page 932.
const char kChat932[] = "\x83\x60\x83\x83\x83\x62\x83\x67";

const std::string kIni = settings_ini({100, 200, "Chat room", "."});

// Posted messages are handled in order: once the about dialog that a later
// post asks for is there, everything posted before it has been handled.
HWND settle_with_about(const Process &p, HWND main_window) {
    post_command(main_window, IDM_ABOUT);
    return wait_dialog_with(p.pid(), IDC_ABOUT_VERSION);
}

void close_about(HWND about) {
    PostMessageA(about, WM_COMMAND, IDOK, 0);
    REQUIRE(wait_gone(about));
}

// One of the program's version texts, read from its file the way a user's
// file properties would show it.
std::string version_text(const char *field) {
    // version.dll is loaded here rather than linked, so that the harness
    // keeps its short list of libraries.
    typedef DWORD(WINAPI * SizeFn)(LPCSTR, LPDWORD);
    typedef BOOL(WINAPI * InfoFn)(LPCSTR, DWORD, DWORD, LPVOID);
    typedef BOOL(WINAPI * QueryFn)(LPCVOID, LPCSTR, LPVOID *, PUINT);
    HMODULE lib = LoadLibraryA("version.dll");
    if (!lib)
        return "";
    auto size_fn = reinterpret_cast<SizeFn>(
        reinterpret_cast<void *>(GetProcAddress(lib, "GetFileVersionInfoSizeA")));
    auto info_fn = reinterpret_cast<InfoFn>(
        reinterpret_cast<void *>(GetProcAddress(lib, "GetFileVersionInfoA")));
    auto query_fn =
        reinterpret_cast<QueryFn>(reinterpret_cast<void *>(GetProcAddress(lib, "VerQueryValueA")));
    std::string result;
    const std::string exe = program_path();
    DWORD dummy = 0;
    DWORD size = size_fn && info_fn && query_fn ? size_fn(exe.c_str(), &dummy) : 0;
    if (size) {
        std::string block(size, '\0');
        void *value = nullptr;
        UINT len = 0;
        std::string path = std::string("\\StringFileInfo\\041104b0\\") + field;
        if (info_fn(exe.c_str(), 0, size, &block[0]) &&
            query_fn(&block[0], path.c_str(), &value, &len) && value)
            result = static_cast<const char *>(value);
    }
    FreeLibrary(lib);
    return result;
}

}  // namespace

// The status window belongs to a running program: asked for while stopped
// nothing opens; while running it shows the saved title and countdowns that
// keep stepping down, and closes by its button, on stop and when the
// settings dialog opens.
E2E_TEST(status_window_follows_run_state) {
    FakeBrowser browser("IEFrame", "Chat room");
    Yarrow y(kIni);
    Process &p = *y.proc;
    HWND dlg = y.dlg, main_window = y.main;

    note("asked for while stopped");
    post_command(main_window, IDM_STATUS);
    HWND about = settle_with_about(p, main_window);
    REQUIRE(about);
    CHECK(status_window(p) == nullptr);
    close_about(about);

    note("running");
    post_command(dlg, IDC_START);
    REQUIRE(browser.wait_keys(6));
    REQUIRE(wait_gone(dlg));
    post_command(main_window, IDM_STATUS);
    HWND status = wait_dialog_with(p.pid(), IDC_STATUS_CLOSE);
    REQUIRE(status);
    CHECK(IsWindowVisible(status));
    CHECK(GetWindowLongA(status, GWL_EXSTYLE) & WS_EX_TOPMOST);
    CHECK(wait_until([&] { return item_text(status, IDC_STATUS_TITLE) == "Chat room"; }, 20000));
    CHECK_EQ(item_text(status, IDC_STATUS_TITLE), "Chat room");
    // The post countdown starts at 200 and goes down by one each tick; three
    // different readings, each below the one before.
    std::vector<long> seen;
    CHECK(wait_until(
        [&] {
            std::string t = item_text(status, IDC_STATUS_POST_LEFT);
            if (t.empty())
                return false;
            long v = strtol(t.c_str(), nullptr, 10);
            if (seen.empty() || seen.back() != v)
                seen.push_back(v);
            return seen.size() >= 3;
        },
        30000));
    for (size_t i = 1; i < seen.size(); ++i) {
        CHECK(seen[i] < seen[i - 1]);
        CHECK(seen[i] > 0 && seen[i] <= 200);
    }

    note("closed by its own button");
    post_command(status, IDC_STATUS_CLOSE);
    CHECK(wait_gone(status));
    post_command(main_window, IDM_STATUS);
    status = wait_dialog_with(p.pid(), IDC_STATUS_CLOSE);
    REQUIRE(status);

    note("closed by stop; start does not bring it back by itself");
    post_command(main_window, IDM_STOP);
    CHECK(wait_gone(status));
    post_command(main_window, IDM_START);
    about = settle_with_about(p, main_window);
    REQUIRE(about);
    CHECK(status_window(p) == nullptr);
    close_about(about);

    note("closed when the settings dialog opens");
    post_command(main_window, IDM_STATUS);
    status = wait_dialog_with(p.pid(), IDC_STATUS_CLOSE);
    REQUIRE(status);
    post_command(main_window, IDM_SETTINGS);
    REQUIRE(wait_settings_dialog(p));
    CHECK(wait_gone(status));
    CHECK(p.running());
}

// Moved away and closed, the status window comes back where it was left
// (the remembered top-left corner), not at its first place in the corner of
// the screen.
E2E_TEST(status_window_reopens_where_moved) {
    FakeBrowser browser("IEFrame", "Chat room");
    Yarrow y(kIni);
    Process &p = *y.proc;
    HWND dlg = y.dlg, main_window = y.main;
    post_command(dlg, IDC_START);
    REQUIRE(wait_gone(dlg));
    post_command(main_window, IDM_STATUS);
    HWND status = wait_dialog_with(p.pid(), IDC_STATUS_CLOSE);
    REQUIRE(status);
    const RECT first = window_rect(status);
    note("first place %ld,%ld-%ld,%ld", first.left, first.top, first.right, first.bottom);
    // First opening: against the right edge of the screen, low on it.
    CHECK_EQ(first.right, GetSystemMetrics(SM_CXSCREEN));
    CHECK(first.bottom > GetSystemMetrics(SM_CYSCREEN) / 2);

    move_window(status, 40, 50);
    post_command(status, IDC_STATUS_CLOSE);
    REQUIRE(wait_gone(status));

    post_command(main_window, IDM_STATUS);
    status = wait_dialog_with(p.pid(), IDC_STATUS_CLOSE);
    REQUIRE(status);
    const RECT again = window_rect(status);
    CHECK_EQ(again.left, 40);
    CHECK_EQ(again.top, 50);
    CHECK(again.right - again.left >= first.right - first.left);
}

// The about dialog shows the three texts of the program's own version block;
// Enter and Esc leave it open, while OK, the close box and Alt+F4 close it.
E2E_TEST(about_dialog_texts_and_closing) {
    const std::string product = version_text("ProductName");
    const std::string version = version_text("FileVersion");
    const std::string copyright = version_text("LegalCopyright");
    REQUIRE(!product.empty() && !version.empty() && !copyright.empty());

    Yarrow y("");
    Process &p = *y.proc;
    HWND dlg = y.dlg, main_window = y.main;
    // Without the settings dialog Enter and Esc have nowhere else to go.
    PostMessageA(dlg, WM_CLOSE, 0, 0);
    REQUIRE(wait_gone(dlg));

    post_command(main_window, IDM_ABOUT);
    HWND about = wait_dialog_with(p.pid(), IDC_ABOUT_VERSION);
    REQUIRE(about);
    CHECK_EQ(item_text(about, IDC_ABOUT_PRODUCT), product);
    CHECK_EQ(item_text(about, IDC_ABOUT_VERSION), "Version " + version);
    CHECK_EQ(item_text(about, IDC_ABOUT_COPYRIGHT), copyright);
    // Asked again while it is open: still one.
    post_command(main_window, IDM_ABOUT);

    note("Enter and Esc");
    REQUIRE(press_key(about, VK_RETURN));
    REQUIRE(press_key(about, VK_ESCAPE));
    // Input is handled in order: once Alt+Space has opened the dialog's
    // system menu, Enter and Esc have been handled too.
    REQUIRE(press_key(about, VK_SPACE, MOD_ALT));
    HWND menu = wait_top(0, "#32768", nullptr, 30000);
    CHECK(menu != nullptr);
    CHECK(IsWindow(about));
    CHECK_EQ(find_tops(p.pid(), "#32770", nullptr).size(), 1u);
    if (menu) {
        press_key(about, VK_ESCAPE);
        CHECK(wait_until([&] { return !IsWindowVisible(menu); }, 30000));
    }

    note("Alt+F4");
    REQUIRE(press_key(about, VK_F4, MOD_ALT));
    CHECK(wait_gone(about));

    note("close box");
    post_command(main_window, IDM_ABOUT);
    about = wait_dialog_with(p.pid(), IDC_ABOUT_VERSION);
    REQUIRE(about);
    PostMessageA(about, WM_SYSCOMMAND, SC_CLOSE, 0);
    CHECK(wait_gone(about));

    note("OK");
    post_command(main_window, IDM_ABOUT);
    about = wait_dialog_with(p.pid(), IDC_ABOUT_VERSION);
    REQUIRE(about);
    PostMessageA(GetDlgItem(about, IDOK), BM_CLICK, 0, 0);
    CHECK(wait_gone(about));
    // Closed, the dialog can open again: the program no longer thinks it open.
    post_command(main_window, IDM_ABOUT);
    about = wait_dialog_with(p.pid(), IDC_ABOUT_VERSION);
    CHECK(about != nullptr);
    CHECK(p.running());
}

// The readme viewer shows Readme.txt, double-byte text included; the tray
// menu opens it once however often it is asked (by its command, and by its
// key in the real menu), and closed it opens again with the text, which
// shows that closing left nothing half done.
E2E_TEST(readme_viewer_from_tray) {
    const std::string readme = std::string("Yarrowmeld\r\n") + kChat932 + "\r\nlast line\r\n";
    Yarrow y("", readme);
    Process &p = *y.proc;
    HWND dlg = y.dlg, main_window = y.main;

    for (int round = 0; round < 2; ++round) {
        note("opening, round %d", round + 1);
        post_command(main_window, IDM_README);
        post_command(main_window, IDM_README);
        post_command(main_window, IDM_README);
        HWND viewer = wait_viewer(p);
        REQUIRE(viewer);
        HWND about = settle_with_about(p, main_window);
        REQUIRE(about);
        CHECK_EQ(viewers(p).size(), 1u);
        close_about(about);
        // The whole file, once, with its line ends.
        CHECK_EQ(viewer_text(viewer), readme);
        PostMessageA(GetDlgItem(viewer, IDOK), BM_CLICK, 0, 0);
        CHECK(wait_gone(viewer));
        CHECK(p.running());
    }

    note("through the tray menu itself, by its key");
    // An open settings dialog would be raised instead of the menu.
    PostMessageA(dlg, WM_CLOSE, 0, 0);
    REQUIRE(wait_gone(dlg));
    PostMessageA(main_window, WM_TRAYNOTIFY, 0, WM_RBUTTONUP);
    HWND menu = nullptr;
    REQUIRE(wait_until(
        [&] {
            menu = find_top(p.pid(), "#32768", nullptr);
            return menu && IsWindowVisible(menu);
        },
        kWindowTimeout));
    // The menu holds the keyboard; "B" is the readme entry's key.
    REQUIRE(press_key(nullptr, 'B'));
    HWND viewer = wait_viewer(p);
    REQUIRE(viewer);
    CHECK_EQ(viewer_text(viewer), readme);
    PostMessageA(viewer, WM_COMMAND, IDOK, 0);
    CHECK(wait_gone(viewer));

    post_command(main_window, IDM_EXIT);
    check_exit_0(p);
}

// The system menus of the settings dialog and of the about dialog reach the
// viewer too, and the viewer's own system menu reaches the about dialog.
E2E_TEST(readme_viewer_from_system_menus) {
    Yarrow y("", std::string(kChat932) + "\r\n");
    Process &p = *y.proc;
    HWND dlg = y.dlg;

    note("settings dialog's system menu");
    PostMessageA(dlg, WM_SYSCOMMAND, IDM_SYS_README, 0);
    HWND viewer = wait_viewer(p);
    REQUIRE(viewer);
    CHECK(contains(viewer_text(viewer), kChat932));
    PostMessageA(dlg, WM_SYSCOMMAND, IDM_SYS_README, 0);

    note("viewer's system menu opens the about dialog");
    PostMessageA(viewer, WM_SYSCOMMAND, IDM_SYS_ABOUT, 0);
    HWND about = wait_dialog_with(p.pid(), IDC_ABOUT_VERSION);
    REQUIRE(about);
    CHECK_EQ(viewers(p).size(), 1u);

    note("about dialog's system menu while the viewer is open: still one");
    PostMessageA(about, WM_SYSCOMMAND, IDM_SYS_README, 0);
    PostMessageA(viewer, WM_COMMAND, IDOK, 0);
    CHECK(wait_gone(viewer));
    CHECK_EQ(viewers(p).size(), 0u);

    note("about dialog's system menu opens it");
    about = find_dialog_with(p.pid(), IDC_ABOUT_VERSION);
    REQUIRE(about);
    PostMessageA(about, WM_SYSCOMMAND, IDM_SYS_README, 0);
    viewer = wait_viewer(p);
    REQUIRE(viewer);
    CHECK(contains(viewer_text(viewer), kChat932));
    CHECK_EQ(viewers(p).size(), 1u);
    PostMessageA(viewer, WM_CLOSE, 0, 0);
    CHECK(wait_gone(viewer));
    CHECK(p.running());
}

// The command line reaches the viewer as well, with the double-byte text.
E2E_TEST(readme_viewer_from_command_line) {
    Sandbox box;
    const std::string readme = std::string("line one\r\n") + kChat932 + "\r\n";
    box.write_file("Readme.txt", readme);
    StartOptions opts;
    opts.args = {"-h"};
    Process &p = box.start(opts);
    HWND viewer = wait_viewer(p);
    REQUIRE(viewer);
    REQUIRE(wait_settings_dialog(p));
    CHECK_EQ(viewer_text(viewer), readme);
    HWND main_window = find_main_window(p.pid());
    REQUIRE(main_window);
    post_command(main_window, IDM_README);
    HWND about = settle_with_about(p, main_window);
    REQUIRE(about);
    CHECK_EQ(viewers(p).size(), 1u);
}
