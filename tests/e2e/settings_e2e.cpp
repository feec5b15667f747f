// The settings dialog as the user meets it: the six refusals with their
// messages and the focus they leave, the file that the buttons and the ways
// of closing write, the place the dialog opens at, the keyboard, the start
// button with a browser waiting, and the entries of its system menu.
#include "harness.h"

#include <string>

using namespace e2e;

namespace {

// Texts in code page 932, spelled out as bytes.
const char kErrorCaption[] =  // "Yarrowmeld - 設定エラー"
    "Yarrowmeld - \x90\xDD\x92\xE8\x83\x47\x83\x89\x81\x5B";
const char kTitleMsg[] =  // "ウインドウタイトルを指定して下さい。"
    "\x83\x45\x83\x43\x83\x93\x83\x68\x83\x45\x83\x5E\x83\x43\x83\x67\x83\x8B\x82\xF0\x8E\x77"
    "\x92\xE8\x82\xB5\x82\xC4\x89\xBA\x82\xB3\x82\xA2\x81\x42";
const char kTextMsg[] =  // "改行するに必要な文字を指定して下さい。"
    "\x89\xFC\x8D\x73\x82\xB7\x82\xE9\x82\xC9\x95\x4B\x97\x76\x82\xC8\x95\xB6\x8E\x9A\x82\xF0"
    "\x8E\x77\x92\xE8\x82\xB5\x82\xC4\x89\xBA\x82\xB3\x82\xA2\x81\x42";
const char kUpdateMsg[] =  // "更新時間設定に誤りがあります。"
    "\x8D\x58\x90\x56\x8E\x9E\x8A\xD4\x90\xDD\x92\xE8\x82\xC9\x8C\xEB\x82\xE8\x82\xAA\x82\xA0"
    "\x82\xE8\x82\xDC\x82\xB7\x81\x42";
const char kPostMsg[] =  // "発言時間設定に誤りがあります。"
    "\x94\xAD\x8C\xBE\x8E\x9E\x8A\xD4\x90\xDD\x92\xE8\x82\xC9\x8C\xEB\x82\xE8\x82\xAA\x82\xA0"
    "\x82\xE8\x82\xDC\x82\xB7\x81\x42";
const char kZeroMsg[] =  // "更新時間と発言時間が「0」では意味がありません。"
    "\x8D\x58\x90\x56\x8E\x9E\x8A\xD4\x82\xC6\x94\xAD\x8C\xBE\x8E\x9E\x8A\xD4\x82\xAA\x81\x75"
    "\x30\x81\x76\x82\xC5\x82\xCD\x88\xD3\x96\xA1\x82\xAA\x82\xA0\x82\xE8\x82\xDC\x82\xB9\x82\xF1"
    "\x81\x42";
const char kOrderMsg[] =  // "更新時間より、発言時間の方が小さいか、等しいです。"
    "\x8D\x58\x90\x56\x8E\x9E\x8A\xD4\x82\xE6\x82\xE8\x81\x41\x94\xAD\x8C\xBE\x8E\x9E\x8A\xD4"
    "\x82\xCC\x95\xFB\x82\xAA\x8F\xAC\x82\xB3\x82\xA2\x82\xA9\x81\x41\x93\x99\x82\xB5\x82\xA2"
    "\x82\xC5\x82\xB7\x81\x42";

// The whole file a save writes: the settings, the hidden value when it is
// set, and the dialog's place, each section closed by an empty line.
std::string saved_file(const IniValues &v, int left, int top, int dual = 0) {
    std::string out = settings_ini(v) + "\r\n";
    if (dual != 0)
        out += "[Startup]\r\nDual=" + std::to_string(dual) + "\r\n\r\n";
    return out + "[Window]\r\nLeft=" + std::to_string(left) + "\r\nTop=" + std::to_string(top) +
           "\r\n\r\n";
}

// A refusal as the user sees it: the message under the settings error
// caption, on top of everything and owned by the dialog, which stays. Once OK
// is pressed, the field at fault has the focus with its text selected.
void expect_refusal(const Yarrow &y, const char *message, int field) {
    MessageBoxInfo box;
    REQUIRE(wait_message_box(y.pid(), &box));
    CHECK_EQ(box.text, message);
    CHECK_EQ(box.caption, kErrorCaption);
    CHECK(GetWindow(box.hwnd, GW_OWNER) == y.dlg);
    CHECK((GetWindowLongA(box.hwnd, GWL_EXSTYLE) & WS_EX_TOPMOST) != 0);
    CHECK(IsWindow(y.dlg));
    REQUIRE(press_ok(box));
    CHECK(y.focus_reaches(field));
    const std::pair<int, int> sel = selection(y.item(field));
    CHECK_EQ(sel.first, 0);
    CHECK_EQ(sel.second, static_cast<int>(item_text(y.dlg, field).size()));
}

// Types ASCII text key by key into the focused control of the window.
bool type_text(HWND target, const std::string &text) {
    for (char c : text) {
        SHORT scan = VkKeyScanA(c);
        if (scan == -1)
            return false;
        if (!press_key(target, LOBYTE(scan), (scan & 0x100) ? MOD_SHIFT : 0))
            return false;
    }
    return true;
}

}  // namespace

// Each of the six checks refuses with its own message and leaves the focus on
// its field, through the save button and the start button alike. Numbers
// above the largest signed 32-bit value are refused with the message of their
// field rather than turned into negative intervals. A refusal writes nothing
// and starts nothing: no file appears and the waiting browser gets no key.
E2E_TEST(settings_refusals) {
    FakeBrowser browser("IEFrame", "Lobby - Browser");
    Yarrow y("");
    static const struct {
        const char *title, *text, *update, *post;
        int button;
        const char *message;
        int field;
    } cases[] = {
        {"", ".", "10", "240", IDC_SAVE, kTitleMsg, IDC_TITLE},
        {"Lobby", "", "10", "240", IDC_START, kTextMsg, IDC_POST_TEXT},
        {"Lobby", ".", "", "240", IDC_SAVE, kUpdateMsg, IDC_UPDATE_SECS},
        {"Lobby", ".", "abc", "240", IDC_SAVE, kUpdateMsg, IDC_UPDATE_SECS},
        {"Lobby", ".", "2147483648", "0", IDC_START, kUpdateMsg, IDC_UPDATE_SECS},
        {"Lobby", ".", "-5", "240", IDC_SAVE, kUpdateMsg, IDC_UPDATE_SECS},
        {"Lobby", ".", "10", "", IDC_SAVE, kPostMsg, IDC_POST_SECS},
        {"Lobby", ".", "0", "3000000000", IDC_START, kPostMsg, IDC_POST_SECS},
        {"Lobby", ".", "0", "0", IDC_SAVE, kZeroMsg, IDC_POST_SECS},
        {"Lobby", ".", "5", "5", IDC_START, kOrderMsg, IDC_POST_SECS},
        {"Lobby", ".", "6", "5", IDC_SAVE, kOrderMsg, IDC_POST_SECS},
    };
    for (const auto &c : cases) {
        note("title \"%s\", text \"%s\", update \"%s\", post \"%s\", %s button", c.title, c.text,
             c.update, c.post, c.button == IDC_SAVE ? "save" : "start");
        y.fill(c.title, c.text, c.update, c.post);
        y.click(c.button);
        expect_refusal(y, c.message, c.field);
    }
    CHECK(!y.box.exists("Yarrowmeld.ini"));
    CHECK(browser.page_keys().empty());

    y.click(IDC_EXIT);
    check_exit_0(*y.proc);
}

// The save button writes exactly the settings and the dialog's place, one
// key per line in a fixed order, and nothing else the file held; then the
// dialog closes and the program waits in the tray. Opened again, the dialog
// stands at the saved place and shows the saved values. A zero interval on
// either side (but not both) is accepted.
E2E_TEST(settings_save_button_writes_file) {
    Yarrow y(
        "; kept by nobody\r\n[Other]\r\nKey=1\r\n[Setting]\r\nUpdate=10\r\nNewLine=240\r\n"
        "Title=\"Old\"\r\nCharcter=\".\"\r\nExtra=2\r\n[Window]\r\nLeft=412\r\nTop=300\r\n");
    RECT r = window_rect(y.dlg);
    CHECK_EQ(r.left, 412);
    CHECK_EQ(r.top, 300);
    set_item_text(y.dlg, IDC_TITLE, "Lobby");
    y.click(IDC_SAVE);
    y.wait_accepted();
    CHECK_EQ(y.ini(),
             "[Setting]\r\nUpdate=10\r\nNewLine=240\r\nTitle=\"Lobby\"\r\nCharcter=\".\"\r\n\r\n"
             "[Window]\r\nLeft=412\r\nTop=300\r\n\r\n");
    CHECK(y.proc->running());

    static const IniValues accepted[] = {
        {0, 5, "Lobby", "."},
        {5, 0, "Lobby", "hello"},
    };
    IniValues shown = {10, 240, "Lobby", "."};
    for (const IniValues &v : accepted) {
        note("update %d, post %d", v.update, v.post);
        y.open_settings();
        r = window_rect(y.dlg);
        CHECK_EQ(r.left, 412);
        CHECK_EQ(r.top, 300);
        CHECK_EQ(item_text(y.dlg, IDC_TITLE), shown.title);
        CHECK_EQ(item_text(y.dlg, IDC_UPDATE_SECS), std::to_string(shown.update));
        CHECK_EQ(item_text(y.dlg, IDC_POST_SECS), std::to_string(shown.post));
        CHECK_EQ(item_text(y.dlg, IDC_POST_TEXT), shown.text);
        // The title has the focus with its text selected.
        CHECK(y.focus_reaches(IDC_TITLE));
        const std::pair<int, int> sel = selection(y.item(IDC_TITLE));
        CHECK_EQ(sel.first, 0);
        CHECK_EQ(sel.second, static_cast<int>(shown.title.size()));
        y.fill(v.title.c_str(), v.text.c_str(), std::to_string(v.update).c_str(),
               std::to_string(v.post).c_str());
        y.click(IDC_SAVE);
        y.wait_accepted();
        CHECK_EQ(y.ini(), saved_file(v, 412, 300));
        shown = v;
    }
    y.open_settings();
    CHECK_EQ(item_text(y.dlg, IDC_UPDATE_SECS), "5");
    CHECK_EQ(item_text(y.dlg, IDC_POST_SECS), "0");
    y.click(IDC_EXIT);
    check_exit_0(*y.proc);
}

// Every way of leaving the dialog writes the file, with the settings as they
// stand rather than the fields: the close box after edits that were never
// checked keeps the previous values; after a refused save it keeps the empty
// title the refusal took. The end of the session saves too and lets the
// session end. The exit button saves and ends the program with code 0. The
// hidden value stays in every file.
E2E_TEST(settings_closing_saves) {
    const IniValues before = {10, 240, "Lobby", "."};
    Yarrow y(settings_ini(before) + "[Startup]\r\nDual=1\r\n");

    note("close box after unchecked edits");
    move_window(y.dlg, 200, 152);
    y.fill("Other", "x", "77", "99");
    y.close_box();
    y.wait_closed();
    CHECK_EQ(y.ini(), saved_file(before, 200, 152, 1));
    // The program stays, stopped, in the tray.
    CHECK(y.proc->running());
    CHECK(IsWindow(y.main));

    note("close box after a refused save");
    y.open_settings();
    CHECK_EQ(window_rect(y.dlg).left, 200);
    CHECK_EQ(item_text(y.dlg, IDC_TITLE), "Lobby");
    CHECK_EQ(item_text(y.dlg, IDC_UPDATE_SECS), "10");
    set_item_text(y.dlg, IDC_TITLE, "");
    y.click(IDC_SAVE);
    expect_refusal(y, kTitleMsg, IDC_TITLE);
    y.close_box();
    y.wait_closed();
    const IniValues untitled = {10, 240, "", "."};
    CHECK_EQ(y.ini(), saved_file(untitled, 200, 152, 1));

    note("end of the session");
    y.open_settings();
    CHECK_EQ(item_text(y.dlg, IDC_TITLE), "");
    REQUIRE(DeleteFileA(y.box.path("Yarrowmeld.ini").c_str()));
    LRESULT may_end = 0;
    REQUIRE(send_message(y.dlg, WM_QUERYENDSESSION, 0, 0, 30000, &may_end));
    CHECK(may_end != 0);
    y.wait_closed();
    CHECK_EQ(y.ini(), saved_file(untitled, 200, 152, 1));
    CHECK(y.proc->running());

    note("exit button");
    y.open_settings();
    move_window(y.dlg, 64, 40);
    y.fill("Lobby", ".", "3", "4");
    REQUIRE(DeleteFileA(y.box.path("Yarrowmeld.ini").c_str()));
    y.click(IDC_EXIT);
    check_exit_0(*y.proc);
    CHECK_EQ(y.ini(), saved_file(untitled, 64, 40, 1));
}

// Where the dialog opens. Without a file, and for the pair (-1, -1), it is
// centred with its left edge on a multiple of 8; a place it was closed at is
// where it opens next, in the same run and in the next one; (-1, 200) is a
// place like any other, even though part of the dialog is then off screen.
E2E_TEST(settings_position) {
    const int screen_w = GetSystemMetrics(SM_CXSCREEN);
    const int screen_h = GetSystemMetrics(SM_CYSCREEN);
    auto check_centred = [&](HWND dlg) {
        RECT r = window_rect(dlg);
        int w = r.right - r.left, h = r.bottom - r.top;
        note("dialog %dx%d at (%ld, %ld) on a %dx%d screen", w, h, r.left, r.top, screen_w,
             screen_h);
        CHECK_EQ(r.left, ((screen_w - w) / 2 + 4) & ~7);
        CHECK_EQ(r.top, (screen_h - h) / 2);
    };

    Yarrow y("");
    check_centred(y.dlg);
    // A dialog placed at a saved position takes its size from the
    // client area the template gives, with fixed frame allowances.
    RECT client = {0, 0, 0, 0};
    GetClientRect(y.dlg, &client);
    const int width = client.right + 6;
    const int height = client.bottom + 25;
    RECT r;

    note("moved, closed and opened again");
    move_window(y.dlg, 100, 120);
    y.close_box();
    y.wait_closed();
    y.open_settings();
    r = window_rect(y.dlg);
    CHECK_EQ(r.left, 100);
    CHECK_EQ(r.top, 120);
    CHECK_EQ(r.right - r.left, width);
    CHECK_EQ(r.bottom - r.top, height);

    note("(-1, 200)");
    y.close_box();
    y.wait_closed();
    y.box.write_file("Yarrowmeld.ini", "[Window]\r\nLeft=-1\r\nTop=200\r\n");
    y.open_settings();
    r = window_rect(y.dlg);
    CHECK_EQ(r.left, -1);
    CHECK_EQ(r.top, 200);
    CHECK_EQ(r.right - r.left, width);
    CHECK_EQ(r.bottom - r.top, height);

    note("(-1, -1)");
    y.close_box();
    y.wait_closed();
    y.box.write_file("Yarrowmeld.ini", "[Window]\r\nLeft=-1\r\nTop=-1\r\n");
    y.open_settings();
    check_centred(y.dlg);

    note("the next run");
    move_window(y.dlg, 300, 16);
    y.click(IDC_EXIT);
    check_exit_0(*y.proc);

    Process &again = y.box.start();
    HWND dlg = wait_settings_dialog(again);
    REQUIRE(dlg);
    r = window_rect(dlg);
    CHECK_EQ(r.left, 300);
    CHECK_EQ(r.top, 16);
    CHECK_EQ(r.right - r.left, width);
    CHECK_EQ(r.bottom - r.top, height);
    post_command(dlg, IDC_EXIT);
    check_exit_0(again);
}

// The dialog at the keyboard. The caption follows the title field as it is
// typed; Alt and a label's letter put the focus on that label's field with
// its text selected, so that typing replaces it; Enter, Esc, OK and Cancel
// do nothing; Alt+E saves, or refuses and puts the focus where the fault is.
E2E_TEST(settings_keyboard) {
    const std::string ini = settings_ini({10, 240, "", "."});
    Yarrow y(ini);
    const DWORD ui = y.proc->main_thread_id();
    CHECK(wait_until([&] { return window_text(y.dlg) == "Yarrowmeld"; }, 20000));
    // The dialog opens with the focus on the title.
    CHECK(y.focus_reaches(IDC_TITLE));

    REQUIRE(type_text(y.dlg, "Chat"));
    CHECK(wait_until([&] { return item_text(y.dlg, IDC_TITLE) == "Chat"; }, 20000));
    CHECK(wait_until([&] { return window_text(y.dlg) == "Yarrowmeld - Chat"; }, 20000));
    CHECK_EQ(window_text(y.dlg), "Yarrowmeld - Chat");
    // Emptied again, the caption is the product name alone.
    for (int i = 0; i < 4; ++i) REQUIRE(press_key(y.dlg, VK_BACK));
    CHECK(wait_until([&] { return window_text(y.dlg) == "Yarrowmeld"; }, 20000));
    REQUIRE(type_text(y.dlg, "Chat"));
    CHECK(wait_until([&] { return window_text(y.dlg) == "Yarrowmeld - Chat"; }, 20000));

    note("Enter and Esc");
    REQUIRE(press_key(y.dlg, 'U', MOD_ALT));
    CHECK(y.focus_reaches(IDC_UPDATE_SECS));
    REQUIRE(press_key(y.dlg, VK_RETURN));
    // The accelerator takes the focus away from every control.
    CHECK(wait_until([&] { return focused_window(ui) == nullptr; }, 20000));
    REQUIRE(press_key(y.dlg, 'C', MOD_ALT));
    CHECK(y.focus_reaches(IDC_POST_TEXT));
    REQUIRE(press_key(y.dlg, VK_ESCAPE));
    CHECK(wait_until([&] { return focused_window(ui) == nullptr; }, 20000));
    // OK and Cancel, then a command that shows when the two are through.
    post_command(y.dlg, IDOK);
    post_command(y.dlg, IDCANCEL);
    post_command(y.dlg, IDC_LABEL_POST);
    CHECK(y.focus_reaches(IDC_POST_SECS));
    CHECK(IsWindow(y.dlg) && IsWindowVisible(y.dlg));
    CHECK_EQ(y.ini(), ini);
    MessageBoxInfo unexpected;
    CHECK(!wait_message_box(y.pid(), &unexpected, 0));

    note("typing over the selected numbers");
    REQUIRE(press_key(y.dlg, 'U', MOD_ALT));
    CHECK(y.focus_reaches(IDC_UPDATE_SECS));
    REQUIRE(type_text(y.dlg, "5"));
    REQUIRE(press_key(y.dlg, 'N', MOD_ALT));
    CHECK(y.focus_reaches(IDC_POST_SECS));
    REQUIRE(type_text(y.dlg, "5"));
    REQUIRE(press_key(y.dlg, 'C', MOD_ALT));
    CHECK(y.focus_reaches(IDC_POST_TEXT));
    REQUIRE(type_text(y.dlg, "hi"));
    CHECK(wait_until([&] { return item_text(y.dlg, IDC_POST_TEXT) == "hi"; }, 20000));
    CHECK_EQ(item_text(y.dlg, IDC_UPDATE_SECS), "5");
    CHECK_EQ(item_text(y.dlg, IDC_POST_SECS), "5");

    note("Alt+E refused, then accepted");
    REQUIRE(press_key(y.dlg, 'E', MOD_ALT));
    expect_refusal(y, kOrderMsg, IDC_POST_SECS);
    REQUIRE(type_text(y.dlg, "20"));
    CHECK(wait_until([&] { return item_text(y.dlg, IDC_POST_SECS) == "20"; }, 20000));
    const RECT r = window_rect(y.dlg);
    REQUIRE(press_key(y.dlg, 'E', MOD_ALT));
    y.wait_accepted();
    CHECK_EQ(y.ini(), saved_file({5, 20, "Chat", "hi"}, r.left, r.top));
}

// The start button with the browser waiting: the file is saved, the text
// goes out at once and then on the post timer. Opening the dialog from the
// tray while it runs stops everything: the status window closes and no key
// follows.
E2E_TEST(settings_start_and_reopen_while_running) {
    FakeBrowser browser("IEFrame", "Chat room - Browser");
    Yarrow y(settings_ini({10, 240, "Old", "."}));
    y.fill("Chat room", "hi", "0", "1");
    const RECT r = window_rect(y.dlg);
    y.click(IDC_START);
    REQUIRE(browser.wait_keys(9));
    const std::vector<Message> burst = {
        {WM_KEYDOWN, 'h', 0}, {WM_CHAR, 'h', 0}, {WM_KEYUP, 'h', 0},
        {WM_KEYDOWN, 'i', 0}, {WM_CHAR, 'i', 0}, {WM_KEYUP, 'i', 0},
        {WM_KEYDOWN, 13, 0},  {WM_CHAR, 13, 0},  {WM_KEYUP, 13, 0},
    };
    std::vector<Message> first = browser.page_keys();
    first.resize(9);
    CHECK_EQ(first, burst);
    y.wait_closed();
    CHECK_EQ(y.ini(), saved_file({0, 1, "Chat room", "hi"}, r.left, r.top));
    // Running: the post timer (one second) sends the text again.
    CHECK(browser.wait_keys(18, 20000));

    post_command(y.main, IDM_STATUS);
    HWND status = wait_dialog_with(y.pid(), IDC_STATUS_UPDATE_LEFT);
    REQUIRE(status);

    y.open_settings();
    CHECK(wait_gone(status, 20000));
    CHECK(wait_until([&] { return window_text(y.dlg) == "Yarrowmeld - Chat room"; }, 20000));
    CHECK_EQ(item_text(y.dlg, IDC_TITLE), "Chat room");
    CHECK_EQ(item_text(y.dlg, IDC_UPDATE_SECS), "0");
    CHECK_EQ(item_text(y.dlg, IDC_POST_SECS), "1");
    CHECK_EQ(item_text(y.dlg, IDC_POST_TEXT), "hi");
    browser.clear();
    CHECK(stays_quiet([&] { return !browser.page_keys().empty(); }));

    note("the longest interval");
    // Its timer period does not fit 32 bits in milliseconds; the start must
    // still go through without a fatal report (whose box would hold the
    // post back) and leave the program running.
    y.fill("Chat room", "hi", "0", "2147483647");
    const RECT r2 = window_rect(y.dlg);
    y.click(IDC_START);
    REQUIRE(browser.wait_keys(9));
    CHECK_EQ(browser.page_keys(), burst);
    y.wait_closed();
    MessageBoxInfo unexpected;
    CHECK(!wait_message_box(y.pid(), &unexpected, 0));
    // Nor does a period cut short by the arithmetic repeat the post.
    CHECK(stays_quiet([&] { return browser.page_keys().size() > burst.size(); }, 2500));
    CHECK_EQ(y.ini(), saved_file({0, 2147483647, "Chat room", "hi"}, r2.left, r2.top));
    CHECK(y.proc->running());

    post_command(y.main, IDM_EXIT);
    check_exit_0(*y.proc);
}

// The system menu, opened with Alt+Space, holds the version entry (V) and,
// with Readme.txt there, the readme entry (B). While the about dialog is
// open, every system command of the settings dialog (its close box, a move)
// only brings up the about dialog anew.
E2E_TEST(settings_system_menu) {
    const std::string ini = settings_ini({10, 240, "Lobby", "."});
    Yarrow y(ini, "Yarrowmeld readme\r\n");

    note("Alt+Space, V");
    REQUIRE(press_key(y.dlg, VK_SPACE, MOD_ALT));
    REQUIRE(wait_until([&] { return shown_menu(y.pid()) != nullptr; }, 20000));
    REQUIRE(press_key(nullptr, 'V'));
    HWND about = wait_dialog_with(y.pid(), IDC_ABOUT_VERSION, 20000);
    REQUIRE(about);
    CHECK(wait_until([&] { return shown_menu(y.pid()) == nullptr; }, 20000));

    const RECT before = window_rect(y.dlg);
    static const WPARAM commands[] = {SC_CLOSE, SC_MOVE, IDM_SYS_ABOUT};
    for (WPARAM command : commands) {
        note("system command 0x%04lX with the about dialog open",
             static_cast<unsigned long>(command));
        PostMessageA(y.dlg, WM_SYSCOMMAND, command, 0);
        CHECK(wait_gone(about, 20000));
        HWND renewed = wait_dialog_with(y.pid(), IDC_ABOUT_VERSION, 20000);
        CHECK(renewed != nullptr && renewed != about);
        about = renewed;
        CHECK(IsWindow(y.dlg));
    }
    const RECT after = window_rect(y.dlg);
    CHECK(EqualRect(&before, &after));
    // The close box was dropped, not handled: nothing was saved.
    CHECK_EQ(y.ini(), ini);

    // The about dialog's own OK closes it.
    REQUIRE(about);
    post_command(about, IDOK);
    REQUIRE(wait_gone(about, 20000));

    note("Alt+Space, B");
    REQUIRE(press_key(y.dlg, VK_SPACE, MOD_ALT));
    REQUIRE(wait_until([&] { return shown_menu(y.pid()) != nullptr; }, 20000));
    REQUIRE(press_key(nullptr, 'B'));
    HWND viewer = wait_viewer(*y.proc, 20000);
    CHECK(viewer != nullptr);
    // Asked again while it is open: still one viewer.
    PostMessageA(y.dlg, WM_SYSCOMMAND, IDM_SYS_README, 0);
    post_command(y.dlg, IDC_LABEL_POST);
    CHECK(y.focus_reaches(IDC_POST_SECS));
    CHECK_EQ(viewers(*y.proc).size(), 1u);

    y.click(IDC_EXIT);
    check_exit_0(*y.proc);
}

// A settings file that another program holds while Yarrowmeld starts (a sync
// client, a virus scanner) is not taken for no file: the user is told once,
// the dialog shows the defaults, and closing it leaves the file as it was.
E2E_TEST(settings_unreadable_file_is_kept) {
    static const char kUnreadable[] =  // "設定ファイルを読み込めません。"
        "\x90\xDD\x92\xE8\x83\x74\x83\x40\x83\x43\x83\x8B\x82\xF0\x93\xC7\x82\xDD\x8D\x9E\x82\xDF"
        "\x82\xDC\x82\xB9\x82\xF1\x81\x42\n";
    static const char kKept[] =  // "初期設定を表示します。設定ファイルはそのまま残します。"
        "\n\n\x8F\x89\x8A\xFA\x90\xDD\x92\xE8\x82\xF0\x95\x5C\x8E\xA6\x82\xB5\x82\xDC\x82\xB7\x81"
        "\x42\x90\xDD\x92\xE8\x83\x74\x83\x40\x83\x43\x83\x8B\x82\xCD\x82\xBB\x82\xCC\x82\xDC\x82"
        "\xDC\x8E\x63\x82\xB5\x82\xDC\x82\xB7\x81\x42";
    Sandbox box;
    const std::string before = settings_ini({20, 300, "Lobby", "hi"}) + "\r\n";
    box.write_file("Yarrowmeld.ini", before);
    HANDLE held = CreateFileA(box.path("Yarrowmeld.ini").c_str(), GENERIC_READ, 0, nullptr,
                              OPEN_EXISTING, 0, nullptr);
    REQUIRE(held != INVALID_HANDLE_VALUE);
    Process &p = box.start();

    MessageBoxInfo msg;
    REQUIRE(wait_message_box(p.pid(), &msg));
    CloseHandle(held);  // held until the program has given up on it
    CHECK_EQ(msg.caption, kErrorCaption);
    CHECK_EQ(msg.text.substr(0, sizeof kUnreadable - 1), kUnreadable);
    CHECK(msg.text.find("Yarrowmeld.ini" + std::string(kKept)) != std::string::npos);
    CHECK((GetWindowLongA(msg.hwnd, GWL_EXSTYLE) & WS_EX_TOPMOST) != 0);
    REQUIRE(press_ok(msg));

    HWND dlg = wait_settings_dialog(p);
    REQUIRE(dlg);
    CHECK_EQ(item_text(dlg, IDC_TITLE), "");
    CHECK_EQ(item_text(dlg, IDC_UPDATE_SECS), "10");
    PostMessageA(dlg, WM_SYSCOMMAND, SC_CLOSE, 0);
    REQUIRE(wait_gone(dlg));
    std::string after;
    CHECK(box.read_file("Yarrowmeld.ini", &after));
    CHECK_EQ(after, before);
    CHECK(!wait_message_box(p.pid(), &msg, 0));  // told once, at the start
    HWND main_window = find_main_window(p.pid());
    REQUIRE(main_window);
    PostMessageA(main_window, WM_CLOSE, 0, 0);  // the tray menu's exit
    check_exit_0(p);
    CHECK(box.read_file("Yarrowmeld.ini", &after));
    CHECK_EQ(after, before);
}
