// Start-up as the user meets it: defaults without an INI file, the refusal
// of a second copy and its override, the readme option on the command line,
// the INI file beside an executable whose path holds double-byte characters,
// and the code page of the texts the program shows.
#include "harness.h"

#include <algorithm>

using namespace e2e;

namespace {

// Texts in code page 932, spelled out as bytes.
const char kLabelTitle932[] =  // "ウインドウタイトル(&T)"
    "\x83\x45\x83\x43\x83\x93\x83\x68\x83\x45\x83\x5E\x83\x43\x83\x67\x83\x8B(&T)";
const char kAlreadyRunning932[] =  // "Yarrowmeld は既に起動されています。"
    "Yarrowmeld \x82\xCD\x8A\xF9\x82\xC9\x8B\x4E\x93\xAE\x82\xB3\x82\xEA\x82\xC4\x82\xA2\x82\xDC"
    "\x82\xB7\x81\x42";
const char kStartupError932[] =  // "Yarrowmeld - 起動エラー"
    "Yarrowmeld - \x8B\x4E\x93\xAE\x83\x47\x83\x89\x81\x5B";
const char kHyoji932[] = "\x95\x5C\x8E\xA6";  // "表示"
const wchar_t kHyojiW[] = L"\x8868\x793A";    // "表示" in UTF-16

// Ends a copy through its exit button and checks that it ends with code 0.
void exit_through_button(Process &p, HWND settings) {
    post_command(settings, IDC_EXIT);
    check_exit_0(p);
}

// Names in a folder, without "." and "..".
std::vector<std::string> list_dir(const std::string &dir) {
    std::vector<std::string> names;
    WIN32_FIND_DATAA fd;
    HANDLE h = FindFirstFileA((dir + "\\*").c_str(), &fd);
    if (h == INVALID_HANDLE_VALUE)
        return names;
    do {
        std::string n = fd.cFileName;
        if (n != "." && n != "..")
            names.push_back(n);
    } while (FindNextFileA(h, &fd));
    FindClose(h);
    std::sort(names.begin(), names.end());
    return names;
}

std::string join(const std::vector<std::string> &names) {
    std::string out;
    for (const std::string &n : names) out += (out.empty() ? "" : "|") + n;
    return out;
}

}  // namespace

// Without an INI file every setting takes its default and the program comes
// up stopped with its settings dialog open; start-up writes nothing, the exit
// button does.
E2E_TEST(startup_without_ini) {
    Sandbox box;
    Process &p = box.start();
    HWND dlg = wait_settings_dialog(p);
    REQUIRE(dlg);
    CHECK_EQ(dialog_fields(dlg), fields_of({10, 240, "", "."}));
    // Empty title: the caption is the product name alone.
    CHECK(wait_until([&] { return window_text(dlg) == "Yarrowmeld"; }, 10000));
    CHECK_EQ(window_text(dlg), "Yarrowmeld");

    HWND main_window = find_main_window(p.pid());
    CHECK(main_window != nullptr);
    CHECK(main_window && !IsWindowVisible(main_window));
    CHECK(!box.exists("Yarrowmeld.ini"));

    MessageBoxInfo unexpected;
    CHECK(!wait_message_box(p.pid(), &unexpected, 0));

    exit_through_button(p, dlg);
    std::string ini;
    REQUIRE(box.read_file("Yarrowmeld.ini", &ini));
    CHECK(contains(ini, "[Setting]\r\nUpdate=10\r\nNewLine=240\r\n"));
    CHECK(contains(ini, "\r\nCharcter=\".\"\r\n"));
    CHECK(contains(ini, "\r\n[Window]\r\nLeft="));
}

// A second copy says that one is running, under the start-up caption, and
// ends with 0 without a main window or tray icon of its own; the running copy
// then shows its settings dialog: the open one stays, a closed one reopens.
E2E_TEST(second_copy_is_refused) {
    Sandbox box;
    Process &first = box.start();
    HWND dlg = wait_settings_dialog(first);
    REQUIRE(dlg);
    HWND first_main = find_main_window(first.pid());
    REQUIRE(first_main);
    const int tray_before = tray_icon_count();
    note("tray icons with one copy: %d", tray_before);

    for (int round = 0; round < 2; ++round) {
        const bool dialog_open = round == 0;
        note("second copy while the settings dialog is %s", dialog_open ? "open" : "closed");
        if (!dialog_open) {
            PostMessageA(dlg, WM_CLOSE, 0, 0);
            REQUIRE(wait_gone(dlg));
        }
        Process &second = box.start();
        MessageBoxInfo msg;
        REQUIRE(wait_message_box(second.pid(), &msg));
        CHECK_EQ(msg.caption, kStartupError932);
        CHECK_EQ(msg.text, kAlreadyRunning932);
        // The box belongs to the running copy's hidden main window.
        CHECK(GetWindow(msg.hwnd, GW_OWNER) == first_main);
        CHECK(find_main_window(second.pid()) == nullptr);
        CHECK_EQ(find_tops(0, "Yarrowmeld", "Yarrowmeld").size(), 1u);
        if (tray_before >= 0)
            CHECK_EQ(tray_icon_count(), tray_before);

        REQUIRE(press_ok(msg));
        check_exit_0(second);

        HWND again = wait_settings_dialog(first);
        REQUIRE(again);
        if (dialog_open) {
            // Asked to open a dialog that is open already: nothing changes.
            CHECK(again == dlg);
        } else {
            CHECK(again != dlg);
            dlg = again;
        }
        // One settings dialog, never two.
        size_t dialogs = 0;
        for (HWND w : find_tops(first.pid(), "#32770", nullptr))
            dialogs += GetDlgItem(w, IDC_TITLE) ? 1 : 0;
        CHECK_EQ(dialogs, 1u);
        CHECK(first.running());
    }
    exit_through_button(first, dlg);
}

// The hidden value Dual=1 under [Startup] lifts the single-instance rule: a
// second copy starts fully, with its own main window and tray icon, and the
// settings save keeps the value.
E2E_TEST(override_allows_two_copies) {
    Sandbox box;
    box.write_file("Yarrowmeld.ini", "[Startup]\r\nDual=1\r\n");
    Process &first = box.start();
    HWND dlg1 = wait_settings_dialog(first);
    REQUIRE(dlg1);
    const int tray_before = tray_icon_count();
    note("tray icons with one copy: %d", tray_before);

    Process &second = box.start();
    HWND dlg2 = wait_settings_dialog(second);
    REQUIRE(dlg2);
    CHECK(find_main_window(first.pid()) != nullptr);
    CHECK(find_main_window(second.pid()) != nullptr);
    CHECK_EQ(find_tops(0, "Yarrowmeld", "Yarrowmeld").size(), 2u);
    MessageBoxInfo unexpected;
    CHECK(!wait_message_box(second.pid(), &unexpected, 0));
    if (tray_before >= 0) {
        CHECK(wait_until([&] { return tray_icon_count() == tray_before + 1; }, 20000));
    }

    exit_through_button(second, dlg2);
    exit_through_button(first, dlg1);
    std::string ini;
    REQUIRE(box.read_file("Yarrowmeld.ini", &ini));
    CHECK(contains(ini, "[Startup]\r\nDual=1\r\n"));
}

// "-h" (and its siblings) with Readme.txt in the current directory opens the
// readme viewer beside the settings dialog; two such options open one viewer.
E2E_TEST(readme_option_opens_viewer) {
    Sandbox box;
    box.write_file("Readme.txt", "Yarrowmeld readme for the test\r\nsecond line\r\n");
    StartOptions opts;
    opts.args = {"-h", "-?"};
    Process &p = box.start(opts);
    HWND viewer = wait_viewer(p);
    REQUIRE(viewer);
    HWND dlg = wait_settings_dialog(p);
    REQUIRE(dlg);
    CHECK_EQ(viewers(p).size(), 1u);
    CHECK(IsWindowVisible(viewer));
    // The viewer shows the file.
    CHECK(contains(viewer_text(viewer), "Yarrowmeld readme for the test"));
    exit_through_button(p, dlg);
}

// Without Readme.txt the option does nothing and says nothing; with it,
// look-alikes of the option do nothing either. The viewer would be created
// before the settings dialog, so its absence is certain once the dialog is
// there.
E2E_TEST(readme_option_ignored) {
    {
        note("-h without Readme.txt");
        Sandbox box;
        StartOptions opts;
        opts.args = {"-h"};
        Process &p = box.start(opts);
        HWND dlg = wait_settings_dialog(p);
        REQUIRE(dlg);
        CHECK(viewers(p).empty());
        MessageBoxInfo unexpected;
        CHECK(!wait_message_box(p.pid(), &unexpected, 0));
        exit_through_button(p, dlg);
    }
    {
        note("look-alikes of the option with Readme.txt");
        Sandbox box;
        box.write_file("Readme.txt", "text\r\n");
        StartOptions opts;
        opts.args = {"/h", "--h", "-x", "-hh", "h", "-h "};
        Process &p = box.start(opts);
        HWND dlg = wait_settings_dialog(p);
        REQUIRE(dlg);
        CHECK(viewers(p).empty());
        exit_through_button(p, dlg);
    }
}

// Start-up reads at most 1022 bytes of the title and 126 of the post text,
// and the names of sections and keys compare without regard to case.
E2E_TEST(long_values_are_cut_at_start) {
    Sandbox box;
    std::string title(1100, 'T');
    title.replace(0, 6, "Lobby ");
    std::string text(200, 'x');
    box.write_file("Yarrowmeld.ini", "[sETTING]\r\nUPDATE=7\r\nnewline=70\r\nTITLE=\"" + title +
                                         "\"\r\ncharcter=\"" + text + "\"\r\n");
    Process &p = box.start();
    HWND dlg = wait_settings_dialog(p);
    REQUIRE(dlg);
    CHECK_EQ(dialog_fields(dlg), fields_of({7, 70, title.substr(0, 1022), text.substr(0, 126)}));
}

// The INI file lies beside the executable even when the folder's name holds
// a double-byte character whose second byte is 0x5C ("表"): it is read from
// and written to that folder.
E2E_TEST(ini_beside_exe_in_dbcs_folder) {
    Sandbox box("Yarrowmeld.exe", std::string("chat") + kHyo932);
    box.write_file("Yarrowmeld.ini", settings_ini({5, 20, "Chat room", "hi"}));
    Process &p = box.start();
    HWND dlg = wait_settings_dialog(p);
    REQUIRE(dlg);
    CHECK_EQ(dialog_fields(dlg), fields_of({5, 20, "Chat room", "hi"}));

    set_item_text(dlg, IDC_TITLE, "Lobby");
    post_command(dlg, IDC_SAVE);
    REQUIRE(wait_gone(dlg));
    std::string ini;
    REQUIRE(box.read_file("Yarrowmeld.ini", &ini));
    CHECK(contains(ini, "Title=\"Lobby\"\r\n"));
    CHECK(contains(ini, "Update=5\r\n"));
    // Nothing was written outside that folder.
    CHECK_EQ(join(list_dir(box.root())), std::string("chat") + kHyo932);
    CHECK_EQ(join(list_dir(box.exe_dir())), std::string("Yarrowmeld.exe|Yarrowmeld.ini"));
    p.kill();
}

// The same for a double-byte character with trail byte 0x5C in the name of
// the executable itself: there, a scan that took that byte for a separator
// would look for the INI file in a folder that does not exist.
E2E_TEST(ini_beside_exe_with_dbcs_name) {
    Sandbox box(std::string(kHyoji932) + ".exe");
    box.write_file("Yarrowmeld.ini", "[Setting]\r\nTitle=\"Chat room\"\r\nNewLine=30\r\n");
    Process &p = box.start();
    HWND dlg = wait_settings_dialog(p);
    REQUIRE(dlg);
    CHECK_EQ(item_text(dlg, IDC_TITLE), "Chat room");
    CHECK_EQ(item_text(dlg, IDC_POST_SECS), "30");
    exit_through_button(p, dlg);
    std::string ini;
    REQUIRE(box.read_file("Yarrowmeld.ini", &ini));
    CHECK(contains(ini, "Title=\"Chat room\"\r\n"));
    CHECK_EQ(join(list_dir(box.root())), std::string("Yarrowmeld.ini|") + kHyoji932 + ".exe");
}

// Texts come out in code page 932: a label of the settings dialog read with
// GetWindowTextA, and the caption that follows a Japanese title typed into
// the title field.
E2E_TEST(texts_in_code_page_932) {
    Yarrow y("");
    const HWND dlg = y.dlg;
    // Statics keep their text as their caption, which GetWindowTextA reads.
    CHECK_EQ(window_text(GetDlgItem(dlg, IDC_LABEL_TITLE)), kLabelTitle932);
    set_item_text(dlg, IDC_TITLE, kHyoji932);
    const std::string expected = std::string("Yarrowmeld - ") + kHyoji932;
    CHECK(wait_until([&] { return window_text(dlg) == expected; }, 20000));
    CHECK_EQ(window_text(dlg), expected);
}

// Under a single-byte code page the same program cannot hold a Japanese
// title: the caption that follows the title field loses it.
E2E_TEST_CP(single_byte_code_page_loses_japanese_title, 1252) {
    Yarrow y("");
    const HWND dlg = y.dlg;
    REQUIRE(wait_until([&] { return window_text_w(dlg) == L"Yarrowmeld"; }, 20000));
    SetWindowTextW(GetDlgItem(dlg, IDC_TITLE), kHyojiW);
    CHECK(wait_until([&] { return window_text_w(dlg) != L"Yarrowmeld"; }, 20000));
    // Each of the two characters became one that code page 1252 has.
    std::wstring caption = window_text_w(dlg);
    CHECK_EQ(caption.substr(0, 13), L"Yarrowmeld - ");
    CHECK_EQ(caption.size(), 15u);
    CHECK(caption != std::wstring(L"Yarrowmeld - ") + kHyojiW);
}

// One start, end to end: with the browser open and the settings read from
// the INI file, the start button closes the dialog and the post text goes
// out at once, one key triple per byte and one for Enter, to the page window
// and nowhere else.
E2E_TEST(start_button_posts_at_once) {
    FakeBrowser browser("IEFrame", "Chat room - Browser");
    Yarrow y(settings_ini({100, 200, "Chat room", "."}));
    post_command(y.dlg, IDC_START);
    REQUIRE(browser.wait_keys(6));
    const std::vector<Message> expected = {
        {WM_KEYDOWN, '.', 0}, {WM_CHAR, '.', 0}, {WM_KEYUP, '.', 0},
        {WM_KEYDOWN, 13, 0},  {WM_CHAR, 13, 0},  {WM_KEYUP, 13, 0},
    };
    CHECK_EQ(browser.page_keys(), expected);
    CHECK(wait_gone(y.dlg));
    CHECK(y.proc->running());
}

// The message loop gives every key to the accelerator table first: Enter in
// the readme viewer becomes the accelerator command IDC_ACCEL_ENTER for the
// main window, which passes
// it on to the open settings dialog and leaves no window with the keyboard
// focus, so the viewer never sees it (its default OK button would close it).
E2E_TEST(enter_in_readme_viewer_goes_to_accelerators) {
    Sandbox box;
    box.write_file("Readme.txt", "line\r\n");
    StartOptions opts;
    opts.args = {"-h"};
    Process &p = box.start(opts);
    HWND viewer = wait_viewer(p);
    REQUIRE(viewer);
    HWND dlg = wait_settings_dialog(p);
    REQUIRE(dlg);
    REQUIRE(bring_forward(viewer));
    // The viewer, in front, has a control with the focus before the key.
    REQUIRE(wait_until([&] { return focused_window(p.main_thread_id()) != nullptr; }, 20000));

    REQUIRE(press_key(viewer, VK_RETURN));
    CHECK(wait_until([&] { return focused_window(p.main_thread_id()) == nullptr; }, 20000));
    CHECK(IsWindow(viewer) && IsWindowVisible(viewer));
    CHECK(IsWindow(dlg));
    // The same Enter handed to the viewer's own dialog processing closes it,
    // which shows that the key above really was taken away from it.
    PostMessageA(viewer, WM_COMMAND, IDOK, 0);
    CHECK(wait_gone(viewer, 20000));
}
