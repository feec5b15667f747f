// The chat automation as the user and the browser meet it: the post at the
// start and the keys on the timers, the guard that keeps an update from
// following a post, which window receives the keys, the stop when the
// browser is gone, titles and texts in code page 932, and a page window that
// stops answering.
#include "harness.h"

#include "chat_room.h"

#include <algorithm>
#include <atomic>
#include <mutex>
#include <thread>

using namespace e2e;

namespace {

// Texts in code page 932, spelled out as bytes.
const char kZone932[] = "\x83\x5D\x81\x5B\x83\x93";  // "ゾーン": the first trail byte is ']'
const char kA932[] = "\x82\xA0";                     // "あ"
const char kHalfA932[] = "\xB1";                     // "ｱ", half-width: one byte above 0x7F

std::vector<Message> triple(unsigned code) {
    return {{WM_KEYDOWN, code, 0}, {WM_CHAR, code, 0}, {WM_KEYUP, code, 0}};
}

// What one post sends: a key triple per byte of the text, then Enter.
std::vector<Message> post_burst(const std::string &text) {
    std::vector<Message> out;
    for (unsigned char c : text) {
        std::vector<Message> t = triple(c);
        out.insert(out.end(), t.begin(), t.end());
    }
    std::vector<Message> enter = triple(13);
    out.insert(out.end(), enter.begin(), enter.end());
    return out;
}

// What a post to a browser of today's Chromium sends: each character as
// the key of the harness's keyboard layout that types it (down, the byte,
// up, with the scan code and the key-up bits), then Enter.
std::vector<Message> keyboard_burst(const std::string &text) {
    std::vector<Message> out;
    auto press = [&](unsigned vk, unsigned char c) {
        LPARAM lp = static_cast<LPARAM>(1u | (MapVirtualKeyA(vk, 0) & 0xFF) << 16);
        out.push_back({WM_KEYDOWN, vk, lp});
        out.push_back({WM_CHAR, c, lp});
        out.push_back({WM_KEYUP, vk, static_cast<LPARAM>(lp | 0xC0000000u)});
    };
    for (unsigned char c : text) press(VkKeyScanA(static_cast<CHAR>(c)) & 0xFF, c);
    press(VK_RETURN, '\r');
    return out;
}

std::vector<Message> slice(const std::vector<Message> &v, size_t from, size_t n) {
    from = std::min(from, v.size());
    n = std::min(n, v.size() - from);
    return std::vector<Message>(v.begin() + from, v.begin() + from + n);
}

// The codes of the key-downs and key-ups among the messages; false when
// any of the messages carries an lParam other than 0.
bool key_codes(const std::vector<Message> &keys, std::vector<unsigned> *down,
               std::vector<unsigned> *up) {
    bool zero_lparam = true;
    for (const Message &m : keys) {
        if (m.msg == WM_KEYDOWN)
            down->push_back(static_cast<unsigned>(m.wparam));
        if (m.msg == WM_KEYUP)
            up->push_back(static_cast<unsigned>(m.wparam));
        zero_lparam = zero_lparam && m.lparam == 0;
    }
    return zero_lparam;
}

// Checks the box that says the browser window is gone: its text, its
// caption, that the hidden main window owns it and that it stays on top.
void check_lost_box(const Yarrow &y, const MessageBoxInfo &box, const std::string &caption) {
    CHECK_EQ(box.text, kLostWindow932);
    CHECK_EQ(box.caption, caption);
    CHECK(GetWindow(box.hwnd, GW_OWNER) == y.main);
    CHECK((GetWindowLongA(box.hwnd, GWL_EXSTYLE) & WS_EX_TOPMOST) != 0);
}

// The settings dialog's caption is set once its opening is over; the tray
// update that comes first lets other messages in.
void check_caption(HWND dialog, const std::string &caption) {
    wait_until([&] { return window_text(dialog) == caption; }, 10000);
    CHECK_EQ(window_text(dialog), caption);
}

// ---------------------------------------------------------------------------
// A chat room on a thread of its own, for the cases where the page window
// must act while the program waits for it: send something back from inside
// a key message, or stop answering. The harness's main thread stays free to
// watch the program meanwhile.
//
// It is the simulator's chat room, like FakeBrowser, with an "IEFrame"
// frame and an ANSI page window.
class Room {
public:
    // Called on the room's thread after a key message was recorded, with
    // its index among all key messages of the page.
    typedef std::function<void(size_t index)> Hook;

    enum BlockMode {
        // The handler never returns until released and the thread answers
        // nothing: a browser that hangs.
        BLOCK_HARD,
        // The handler does not return until released, but the thread goes on
        // answering messages sent to it meanwhile.
        BLOCK_ANSWERING,
    };

    explicit Room(const char *title) : title_(title) {
        release_ = CreateEventA(nullptr, TRUE, FALSE, nullptr);
        ready_ = CreateEventA(nullptr, TRUE, FALSE, nullptr);
        thread_ = std::thread([this] { run(); });
        if (WaitForSingleObject(ready_, scaled(60000)) != WAIT_OBJECT_0 || !page_) {
            shut_down();
            FAIL("the chat room's windows did not come up");
        }
    }

    ~Room() { shut_down(); }

    HWND frame() const { return frame_; }
    HWND page() const { return page_; }

    void set_hook(Hook hook) { hook_ = std::move(hook); }
    // The key message with this index blocks the page until release().
    void block_at(size_t index, BlockMode mode) {
        block_at_ = index;
        block_mode_ = mode;
        ResetEvent(release_);
    }
    bool blocked() const { return blocked_; }
    void release() { SetEvent(release_); }

    std::vector<Message> keys() const {
        std::lock_guard<std::mutex> hold(lock_);
        return keys_;
    }
    bool wait_keys(size_t n, DWORD timeout_ms = 60000) {
        return wait_until([&] { return keys().size() >= n; }, timeout_ms);
    }

private:
    static void on_page(void *context, HWND, UINT msg, WPARAM wp, LPARAM lp) {
        if (msg == WM_KEYDOWN || msg == WM_CHAR || msg == WM_KEYUP)
            static_cast<Room *>(context)->on_key(Message{msg, wp, lp});
    }

    void on_key(const Message &m) {
        size_t index;
        {
            std::lock_guard<std::mutex> hold(lock_);
            index = keys_.size();
            keys_.push_back(m);
        }
        if (hook_)
            hook_(index);
        if (index != block_at_)
            return;
        blocked_ = true;
        if (block_mode_ == BLOCK_HARD) {
            WaitForSingleObject(release_, scaled(300000));
        } else {
            // Messages sent to this thread are handled inside the wait (they
            // reach this procedure again, nested).
            while (MsgWaitForMultipleObjects(1, &release_, FALSE, scaled(300000), QS_SENDMESSAGE) ==
                   WAIT_OBJECT_0 + 1) {
                MSG msg;
                PeekMessageA(&msg, nullptr, 0, 0, PM_NOREMOVE | PM_QS_SENDMESSAGE);
            }
        }
        blocked_ = false;
    }

    void shut_down() {
        release();
        if (frame_)
            PostMessageA(frame_, WM_CLOSE, 0, 0);
        if (thread_.joinable())
            thread_.join();
        if (release_)
            CloseHandle(release_);
        if (ready_)
            CloseHandle(ready_);
        release_ = ready_ = nullptr;
    }

    void run() {
        std::wstring title(title_.begin(), title_.end());
        ChatRoomOptions opt;
        opt.title = title.c_str();
        opt.ansi_page = true;
        opt.quit_on_close = true;
        opt.on_page = on_page;
        opt.context = this;
        ChatRoom room;
        if (chat_room_open(&room, opt)) {
            page_ = room.page;
            frame_ = room.frame;
        }
        SetEvent(ready_);
        if (!frame_)
            return;
        MSG msg;
        while (GetMessageA(&msg, nullptr, 0, 0) > 0) {
            TranslateMessage(&msg);
            DispatchMessageA(&msg);
        }
        frame_ = nullptr;
    }

    std::string title_;
    Hook hook_;
    std::thread thread_;
    HANDLE release_ = nullptr, ready_ = nullptr;
    std::atomic<HWND> frame_{nullptr}, page_{nullptr};
    std::atomic<bool> blocked_{false};
    std::atomic<size_t> block_at_{static_cast<size_t>(-1)};
    std::atomic<BlockMode> block_mode_{BLOCK_HARD};
    mutable std::mutex lock_;
    std::vector<Message> keys_;
};

// ---------------------------------------------------------------------------
// The chat-room simulator (tools/chatsim), whose page window is a Unicode
// window as a real browser's is. Ended when the object goes.

// The simulator of the Windows build: beside the program under test, or
// else beside this harness (which lies in tests\e2e of the same build).
std::string simulator_path() {
    const char tail[] = "\\tools\\chatsim\\chatsim.exe";
    std::string program = program_path();
    std::string beside = program.substr(0, program.find_last_of('\\')) + tail;
    if (GetFileAttributesA(beside.c_str()) != INVALID_FILE_ATTRIBUTES)
        return beside;
    char self[MAX_PATH] = "";
    GetModuleFileNameA(nullptr, self, sizeof self);
    std::string build = self;
    for (int up = 0; up < 3; ++up) build = build.substr(0, build.find_last_of('\\'));
    std::string built = build + tail;
    if (GetFileAttributesA(built.c_str()) != INVALID_FILE_ATTRIBUTES)
        return built;
    FAIL("the chat-room simulator is not built: neither " + quote(beside) + " nor " + quote(built));
}

class ChatSim {
public:
    enum Kind { IE, CHROMIUM, FIREFOX };
    // An "IEFrame", or a browser of today: Chromium (frame class
    // "Chrome_WidgetWin_1") or Firefox (a "MozillaWindowClass" frame that is
    // its own page window), each with hidden windows of its class beside it.
    ChatSim(const Sandbox &box, const std::string &title, Kind kind = IE)
        : log_(box.root() + "\\chat.log") {
        // A simulator of the same sandbox before this one left its log.
        DeleteFileA(log_.c_str());
        std::string program = simulator_path();
        const char *const modes[] = {"--class IEFrame", "--chromium", "--firefox"};
        std::string cmd = "\"" + program + "\" " + modes[kind] + " --title \"" + title +
                          "\" --log \"" + log_ + "\"";
        STARTUPINFOA si;
        memset(&si, 0, sizeof si);
        si.cb = sizeof si;
        PROCESS_INFORMATION pi;
        memset(&pi, 0, sizeof pi);
        std::vector<char> line(cmd.begin(), cmd.end());
        line.push_back('\0');
        if (!CreateProcessA(program.c_str(), line.data(), nullptr, nullptr, FALSE, CREATE_SUSPENDED,
                            nullptr, box.root().c_str(), &si, &pi)) {
            FAIL("cannot start " + quote(cmd) + ", error " + std::to_string(GetLastError()));
        }
        if (kill_on_exit_job())
            AssignProcessToJobObject(kill_on_exit_job(), pi.hProcess);
        ResumeThread(pi.hThread);
        proc_ = Process(pi.hProcess, pi.hThread, pi.dwProcessId, pi.dwThreadId);
        note("started the chat-room simulator (pid %lu)", pi.dwProcessId);
        if (!wait_until([&] { return log().find("ready ") != std::string::npos; },
                        kWindowTimeout)) {
            FAIL("the chat-room simulator did not get ready");
        }
        // The frame named in the ready line: helper windows share its class.
        std::string text = log();
        size_t at = text.find(" frame=0x");
        if (at != std::string::npos)
            frame_ = reinterpret_cast<HWND>(strtoul(text.c_str() + at + 9, nullptr, 16));
        if (!IsWindow(frame_))
            FAIL("the chat-room simulator shows no frame");
    }

    std::string log() const {
        std::string text;
        read_file(log_, &text);
        return text;
    }
    // The UTF-16 units of the chat lines, as the log gives them ("0041 3042").
    std::vector<std::string> lines() const {
        std::vector<std::string> out;
        std::string text = log();
        for (size_t at = text.find(" units="); at != std::string::npos;
             at = text.find(" units=", at + 1)) {
            size_t end = text.find_first_of("\r\n", at);
            out.push_back(text.substr(at + 7, end == std::string::npos ? end : end - at - 7));
        }
        return out;
    }
    // The key messages its page window received, in order.
    std::vector<Message> keys() const {
        std::vector<Message> out;
        std::string text = log();
        for (size_t at = text.find(" msg=0x"); at != std::string::npos;
             at = text.find(" msg=0x", at + 1)) {
            unsigned msg = 0;
            unsigned long wp = 0, lp = 0;
            if (sscanf(text.c_str() + at, " msg=0x%x wp=0x%lx lp=0x%lx", &msg, &wp, &lp) == 3 &&
                (msg == WM_KEYDOWN || msg == WM_CHAR || msg == WM_KEYUP)) {
                out.push_back(Message{msg, wp, static_cast<LPARAM>(lp)});
            }
        }
        return out;
    }
    HWND frame() const { return frame_; }
    void close() {
        PostMessageA(frame_, WM_CLOSE, 0, 0);
        DWORD code = 0;
        if (!proc_.wait_exit(30000, &code))
            FAIL("the chat-room simulator did not close");
    }

private:
    std::string log_;
    Process proc_;
    HWND frame_ = nullptr;
};

}  // namespace

// ---------------------------------------------------------------------------

// The start button posts at once: "." and Enter as key triples with lParam 0,
// before anything else. Then the timers go on: Enter every second, the text
// and Enter every three. A double click on the tray icon stops all of it and
// the next one starts it again with a post at once.
E2E_TEST(automation_posts_and_updates) {
    FakeBrowser browser("IEFrame", "Chat room");
    Yarrow y(settings_ini({1, 3, "Chat room", "."}));
    y.press_start();
    REQUIRE(browser.wait_keys(6, 30000));
    CHECK_EQ(slice(browser.page_keys(), 0, 6), post_burst("."));

    // Two more posts come from the post timer; updates come in between.
    auto posts = [&] {
        std::string t = browser.typed();
        return std::count(t.begin(), t.end(), '.');
    };
    REQUIRE(wait_until([&] { return posts() >= 3; }, 90000));
    REQUIRE(y.double_click_tray());
    // The click may have come while keys were going out: the program took
    // it inside that wait, and the keys under way still go out whole.
    REQUIRE(wait_until(
        [&] {
            std::vector<Message> k = browser.page_keys();
            return !k.empty() && k.back() == Message{WM_KEYUP, 13, 0};
        },
        30000));
    const std::vector<Message> keys = browser.page_keys();

    // Every message is part of a whole key triple with lParam 0, and every
    // "." is followed by its Enter.
    size_t updates = 0, dots = 0;
    bool well_formed = keys.size() % 3 == 0;
    for (size_t i = 0; well_formed && i < keys.size(); i += 3) {
        unsigned code = static_cast<unsigned>(keys[i].wparam);
        if (slice(keys, i, 3) != triple(code) || (code != '.' && code != 13)) {
            well_formed = false;
        } else if (code == '.') {
            ++dots;
            well_formed = i + 5 < keys.size() && keys[i + 3].wparam == 13;
        } else if (i == 0 || keys[i - 3].wparam != '.') {
            ++updates;
        }
    }
    if (!well_formed)
        note("keys received: %s", describe(keys).c_str());
    CHECK(well_formed);
    CHECK(dots >= 3);
    CHECK(updates >= 2);

    // Stopped: neither timer sends anything any more.
    CHECK(stays_quiet([&] { return browser.page_keys().size() > keys.size(); }));

    // Started again from the tray: the post goes out before the click is
    // answered.
    REQUIRE(y.double_click_tray());
    CHECK_EQ(slice(browser.page_keys(), keys.size(), 100), post_burst("."));
}

// An update that comes while a post is still going out (within 500 ms of
// it) does nothing: here the page window itself asks for one from inside
// the post's last key message. Once the half second is over, updates get
// through again.
E2E_TEST(automation_update_right_after_post_is_dropped) {
    Yarrow y(settings_ini({0, 3600, "Chat room", "."}));
    y.close_settings();
    Room room("Chat room");
    std::atomic<int> nested{0};  // 0 not yet, 1 answered, 2 not answered
    const HWND main = y.main;
    room.set_hook([&](size_t index) {
        if (index != 5)
            return;
        // The program is waiting for this message to be handled, so it takes
        // the timer message inside that wait.
        nested = send_message(main, WM_TIMER, IDT_UPDATE, 0, 20000) ? 1 : 2;
    });
    post_command(y.main, IDM_START);
    REQUIRE(wait_until([&] { return nested != 0; }, 60000));
    CHECK_EQ(nested.load(), 1);
    CHECK_EQ(room.keys(), post_burst("."));

    // The guard lapses on its own: some later update sends Enter, once.
    size_t before = room.keys().size();
    CHECK(wait_until(
        [&] {
            send_message(main, WM_TIMER, IDT_UPDATE, 0);
            return room.keys().size() > before;
        },
        20000));
    CHECK_EQ(slice(room.keys(), before, 100), triple(13));
}

// Starts, waits for one post somewhere (or a box saying there was no
// window) and stops again.
void post_once_to(Yarrow &y, const std::vector<FakeBrowser *> &all) {
    for (FakeBrowser *b : all) b->clear();
    post_command(y.main, IDM_START);
    MessageBoxInfo box;
    bool got = wait_until(
        [&] {
            size_t n = 0;
            for (FakeBrowser *b : all) n += b->page_keys().size();
            return n >= 6 || wait_message_box(y.pid(), &box, 0);
        },
        60000);
    if (box.hwnd) {
        note("no window was found: %s", quote(box.text).c_str());
        press_ok(box);
        y.dlg = wait_settings_dialog(*y.proc);
        if (y.dlg)
            y.close_settings();
    }
    REQUIRE(got && !box.hwnd);
    REQUIRE(send_message(y.main, WM_COMMAND, IDM_STOP, 0));
}

// Puts a top-level window in front of another in window order and waits
// until the system says so.
void put_before(HWND w, HWND other) {
    SetWindowPos(w, HWND_TOP, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
    REQUIRE(wait_until(
        [&] {
            std::vector<HWND> now = top_windows();
            return std::find(now.begin(), now.end(), w) < std::find(now.begin(), now.end(), other);
        },
        10000));
}

// Which window receives the keys. With an empty configured title the first
// browser with a non-empty title does; with a title, the first of two
// matching browsers in window order does, a title that only contains the
// configured one or differs in case does not, and a frame of the bracketed
// kind is matched on the text between "- [" and "]".
E2E_TEST(automation_chooses_the_window) {
    Yarrow y(settings_ini({0, 3600, "", "."}));
    y.close_settings();
    auto post_once = [&](const std::vector<FakeBrowser *> &all) { post_once_to(y, all); };

    {
        note("empty configured title");
        FakeBrowser titled("IEFrame", "Lobby");
        FakeBrowser untitled("IEFrame", "");
        post_once({&titled, &untitled});
        CHECK_EQ(titled.page_keys(), post_burst("."));
        CHECK(untitled.page_keys().empty());
    }

    y.open_settings();
    set_item_text(y.dlg, IDC_TITLE, "Chat room");
    post_command(y.dlg, IDC_SAVE);
    REQUIRE(wait_gone(y.dlg));
    y.dlg = nullptr;

    {
        note("two matching browsers");
        FakeBrowser one("IEFrame", "Chat room 1");
        FakeBrowser two("IEFrame", "Chat room 2");
        FakeBrowser contains("IEFrame", "My Chat room");
        FakeBrowser lower("IEFrame", "chat room");
        for (int round = 0; round < 2; ++round) {
            // Whichever of the two comes first in window order receives.
            std::vector<HWND> order = top_windows();
            auto at = [&](HWND w) { return std::find(order.begin(), order.end(), w); };
            FakeBrowser *first = at(one.frame()) < at(two.frame()) ? &one : &two;
            FakeBrowser *second = first == &one ? &two : &one;
            note("round %d: first in order is %s", round, window_text(first->frame()).c_str());
            post_once({&one, &two, &contains, &lower});
            CHECK_EQ(first->page_keys(), post_burst("."));
            CHECK(second->page_keys().empty());
            CHECK(contains.page_keys().empty());
            CHECK(lower.page_keys().empty());
            // Put the other one in front for the next round.
            put_before(second->frame(), first->frame());
        }
    }

    {
        note("bracketed titles");
        FakeBrowser luna("Lunascape6MainWnd", "Lunascape - [Chat room]",
                         "Internet Explorer_Server");
        // Newer, so earlier in window order, and all passed over: the title
        // begins with the configured one but the bracket does not, the two
        // bytes after the '-' are skipped whatever they are, no '-' at all,
        // and the frame class that takes the whole title.
        FakeBrowser other_room("Lunascape6MainWnd", "Chat room - [Lobby]",
                               "Internet Explorer_Server");
        FakeBrowser tight("SleipnirMainWindow", "Lunascape -[Chat room]",
                          "Internet Explorer_Server");
        FakeBrowser no_dash("Lunascape6MainWnd", "[Chat room]", "Internet Explorer_Server");
        FakeBrowser whole("IEFrame", "Lunascape - [Chat room]");
        post_once({&luna, &other_room, &tight, &no_dash, &whole});
        CHECK_EQ(luna.page_keys(), post_burst("."));
        CHECK(other_room.page_keys().empty());
        CHECK(tight.page_keys().empty());
        CHECK(no_dash.page_keys().empty());
        CHECK(whole.page_keys().empty());
    }
}

// The browser is gone. A matching frame without its page window, first in
// window order, ends the search although a complete browser comes later:
// the start says so in a box under the program's name and the title, then
// the settings dialog opens and nothing runs. Later the browser closes
// while running: the next update says the same, closes the status window
// and leaves the program stopped with its settings dialog open.
E2E_TEST(automation_browser_lost) {
    const std::string caption = "Yarrowmeld - Chat room";
    auto complete = std::unique_ptr<FakeBrowser>(new FakeBrowser("IEFrame", "Chat room"));
    auto pageless = std::unique_ptr<FakeBrowser>(
        new FakeBrowser("IEFrame", "Chat room", "Shell Embedding", false));
    Yarrow y(settings_ini({1, 3, "Chat room", "."}));

    note("frame without a page window");
    HWND first_dialog = y.dlg;
    post_command(y.dlg, IDC_START);
    MessageBoxInfo box;
    REQUIRE(wait_message_box(y.pid(), &box));
    check_lost_box(y, box, caption);
    REQUIRE(press_ok(box));
    REQUIRE(wait_gone(first_dialog));
    y.dlg = wait_settings_dialog(*y.proc);
    REQUIRE(y.dlg);
    check_caption(y.dlg, caption);
    CHECK(stays_quiet([&] { return !complete->page_keys().empty(); }));

    note("browser closed while running");
    pageless.reset();
    y.press_start();
    REQUIRE(complete->wait_keys(6, 30000));
    post_command(y.main, IDM_STATUS);
    HWND status = wait_dialog_with(y.pid(), IDC_STATUS_UPDATE_LEFT);
    CHECK(status != nullptr);
    complete.reset();
    REQUIRE(wait_message_box(y.pid(), &box));
    check_lost_box(y, box, caption);
    // The settings dialog opens only once the box is closed.
    CHECK(find_dialog_with(y.pid(), IDC_TITLE) == nullptr);
    REQUIRE(press_ok(box));
    y.dlg = wait_settings_dialog(*y.proc);
    REQUIRE(y.dlg);
    check_caption(y.dlg, caption);
    CHECK(status_window(*y.proc) == nullptr);

    // Stopped: a browser that opens again gets nothing.
    FakeBrowser again("IEFrame", "Chat room");
    CHECK(stays_quiet([&] { return !again.page_keys().empty(); }));
}

// The UTF-16 units of a text, as ChatSim::lines() gives them.
std::string units(const char *text) {
    std::string out;
    for (const char *p = text; *p; ++p) {
        char unit[8];
        snprintf(unit, sizeof unit, p == text ? "%04x" : " %04x", static_cast<unsigned>(*p));
        out += unit;
    }
    return out;
}

// Browsers of today, played by the simulator as strictly as their source
// shows them, get a post of "test post." as exactly that line: in Chromium
// no key-down is a shortcut ('t' is not F5, '.' not Delete) and the frame
// types only while active, so it is brought forward from behind a window
// that holds the foreground; in Firefox, whose frame takes the keys itself,
// Enter comes once (no empty post after the line).
E2E_TEST(automation_today_browsers_get_the_post_exactly) {
    const std::string line = units("test post.");
    Yarrow y(settings_ini({3600, 3600, "Chat room", "test post."}));
    y.close_settings();
    {
        note("Chromium, with a window of the harness in front");
        ChatSim sim(y.box, "Chat room", ChatSim::CHROMIUM);
        CHECK_EQ(window_text(sim.frame()), "Chat room - Chromium");
        HWND holder = CreateWindowExA(0, "STATIC", "in front", WS_POPUP | WS_VISIBLE, 600, 400, 100,
                                      40, nullptr, nullptr, nullptr, nullptr);
        REQUIRE(holder);
        SetForegroundWindow(holder);
        REQUIRE(wait_until([&] { return GetForegroundWindow() == holder; }, 10000));
        // The frame has handled its deactivation before the post comes.
        REQUIRE(send_message(sim.frame(), WM_NULL, 0, 0));
        post_command(y.main, IDM_START);
        REQUIRE(wait_until([&] { return !sim.lines().empty(); }, 60000));
        REQUIRE(send_message(y.main, WM_COMMAND, IDM_STOP, 0));
        if (sim.lines() != std::vector<std::string>{line})
            note("simulator log:\n%s", sim.log().c_str());
        CHECK(sim.lines() == std::vector<std::string>{line});
        CHECK_EQ(sim.keys(), keyboard_burst("test post."));
        DestroyWindow(holder);
        sim.close();
    }
    {
        note("Firefox");
        ChatSim sim(y.box, "Chat room", ChatSim::FIREFOX);
        CHECK_EQ(class_name(sim.frame()), "MozillaWindowClass");
        post_command(y.main, IDM_START);
        REQUIRE(wait_until([&] { return !sim.lines().empty(); }, 60000));
        REQUIRE(send_message(y.main, WM_COMMAND, IDM_STOP, 0));
        // Anything still on its way to the frame arrives before this.
        REQUIRE(send_message(sim.frame(), WM_NULL, 0, 0));
        if (sim.lines() != std::vector<std::string>{line})
            note("simulator log:\n%s", sim.log().c_str());
        CHECK(sim.lines() == std::vector<std::string>{line});
        sim.close();
    }
}

// Frames of class "Chrome_WidgetWin_1" are only a fallback. An "IEFrame"
// that matches gets the keys whichever of the two comes first in window
// order; without one, a hidden matching frame of the fallback is passed
// over for the visible one; and a visible matching frame without a page
// window is a lost browser, although a hidden one with a page window is
// there: the box, then the settings dialog.
E2E_TEST(automation_chromium_is_a_fallback) {
    const char kFrame[] = "Chrome_WidgetWin_1";
    const char kPage[] = "Chrome_RenderWidgetHostHWND";
    Yarrow y(settings_ini({0, 3600, "Chat room", "."}));
    y.close_settings();
    {
        note("an IEFrame and a frame of the fallback, both matching");
        FakeBrowser ie("IEFrame", "Chat room");
        FakeBrowser today(kFrame, "Chat room - Chromium", kPage, false);
        for (int round = 0; round < 2; ++round) {
            HWND first = round == 0 ? ie.frame() : today.frame();
            put_before(first, first == ie.frame() ? today.frame() : ie.frame());
            note("round %d: first in order is %s", round, class_name(first).c_str());
            post_once_to(y, {&ie, &today});
            // The frames of the ten rules keep the key triple.
            CHECK_EQ(ie.page_keys(), post_burst("."));
            CHECK(today.page_keys().empty());
        }
    }
    {
        note("a hidden matching frame first in order");
        FakeBrowser shown(kFrame, "Chat room - Chromium", kPage, false);
        FakeBrowser hidden(kFrame, "Chat room - Chromium", kPage, false, false);
        put_before(hidden.frame(), shown.frame());
        post_once_to(y, {&shown, &hidden});
        CHECK_EQ(shown.page_keys(), keyboard_burst("."));
        CHECK(hidden.page_keys().empty());
    }
    {
        note("a visible matching frame without a page window");
        FakeBrowser hidden(kFrame, "Chat room - Chromium", kPage, false, false);
        FakeBrowser pageless(kFrame, "Chat room - Chromium", "Intermediate D3D Window", false);
        post_command(y.main, IDM_START);
        MessageBoxInfo box;
        REQUIRE(wait_message_box(y.pid(), &box));
        check_lost_box(y, box, "Yarrowmeld - Chat room");
        REQUIRE(press_ok(box));
        y.dlg = wait_settings_dialog(*y.proc);
        REQUIRE(y.dlg);
        CHECK(hidden.page_keys().empty());
        CHECK(pageless.page_keys().empty());
    }
}

// A configured title in double-byte characters: "ゾーン", whose first
// character ends in the byte of ']'. The bracketed rule steps over it as
// part of the character instead of cutting the title there, a browser whose
// title only contains the configured one is passed over, and the box and
// the settings dialog show the title unchanged.
E2E_TEST(automation_double_byte_title) {
    const std::string zone = kZone932;
    const std::string caption = "Yarrowmeld - " + zone;
    FakeBrowser contains("IEFrame", ("x" + zone).c_str());
    auto luna = std::unique_ptr<FakeBrowser>(new FakeBrowser(
        "Lunascape6MainWnd", ("Lunascape - [" + zone + "]").c_str(), "Internet Explorer_Server"));
    Yarrow y(settings_ini({1, 3, zone, "."}));
    CHECK_EQ(item_text(y.dlg, IDC_TITLE), zone);
    y.press_start();
    REQUIRE(luna->wait_keys(6, 30000));
    CHECK_EQ(slice(luna->page_keys(), 0, 6), post_burst("."));

    luna.reset();
    MessageBoxInfo box;
    REQUIRE(wait_message_box(y.pid(), &box));
    check_lost_box(y, box, caption);
    REQUIRE(press_ok(box));
    y.dlg = wait_settings_dialog(*y.proc);
    REQUIRE(y.dlg);
    check_caption(y.dlg, caption);
    CHECK(contains.page_keys().empty());
}

// Bytes above 0x7F in the post text go out as their own values, never
// sign-extended. The simulator's page window, a Unicode window like a real
// browser's, shows the characters the user typed: "あ" as one character
// and the half-width "ｱ" as another. An ANSI page window gets the bytes
// of the text back, and the key-down and key-up codes are the bytes.
//
// The text in the INI file ends in a lead byte without its trail byte.
// Sent, it would be held back by the system and joined with the WM_CHAR of
// the Enter, which then never arrives; it is left out instead. (The
// program is started from the tray, so that the text is the file's bytes
// and not what the settings dialog's field makes of them.)
E2E_TEST(automation_text_above_ascii) {
    const std::string text = std::string(kA932) + kHalfA932 + ".";
    Yarrow y(settings_ini({0, 3600, "Chat room", text + "\x82"}));
    y.close_settings();
    {
        ChatSim sim(y.box, "Chat room", ChatSim::IE);
        post_command(y.main, IDM_START);
        REQUIRE(wait_until([&] { return !sim.lines().empty(); }, 60000));
        std::vector<std::string> lines = sim.lines();
        CHECK_EQ(lines.size(), 1u);
        CHECK_EQ(lines[0], "3042 ff71 002e");
        if (lines[0] != "3042 ff71 002e")
            note("simulator log:\n%s", sim.log().c_str());
        REQUIRE(send_message(y.main, WM_COMMAND, IDM_STOP, 0));
        sim.close();
    }

    FakeBrowser browser("IEFrame", "Chat room");
    post_command(y.main, IDM_START);
    REQUIRE(wait_until(
        [&] {
            std::vector<Message> k = browser.page_keys();
            return !k.empty() && k.back() == Message{WM_KEYUP, 13, 0};
        },
        60000));
    CHECK_EQ(browser.typed(), text + "\r");
    std::vector<unsigned> down, up;
    const bool zero_lparam = key_codes(browser.page_keys(), &down, &up);
    const std::vector<unsigned> codes = {0x82, 0xA0, 0xB1, '.', 13};
    if (down != codes || up != codes)
        note("keys received: %s", describe(browser.page_keys()).c_str());
    CHECK(down == codes);
    CHECK(up == codes);
    CHECK(zero_lparam);
}

// A page window that stops answering does not freeze the program. The key
// message it hangs in is given up after a few seconds, the rest of that
// post is dropped rather than sent late, and the program goes on: the tray
// opens its settings dialog while the page still hangs, and the next post
// reaches the page whole and in order once it answers again.
E2E_TEST(automation_hung_page_window) {
    const std::vector<Message> burst = post_burst("ab");
    const std::vector<Message> head = slice(burst, 0, 3);  // "a" up to its key-up
    Yarrow y(settings_ini({0, 3600, "Chat room", "ab"}));
    y.close_settings();
    Room room("Chat room");

    note("the page hangs for good in the key-up of the first byte");
    room.block_at(2, Room::BLOCK_HARD);
    post_command(y.main, IDM_START);
    REQUIRE(wait_until([&] { return room.blocked(); }, 60000));
    y.open_settings();
    CHECK(room.blocked());
    room.release();
    // Anything still on its way to the page arrives before this.
    REQUIRE(send_message(room.page(), WM_NULL, 0, 0));
    CHECK_EQ(room.keys(), head);

    note("the key-up takes long while the page answers everything else");
    y.close_settings();
    room.block_at(5, Room::BLOCK_ANSWERING);
    post_command(y.main, IDM_START);
    REQUIRE(wait_until([&] { return room.blocked(); }, 60000));
    y.open_settings();
    std::vector<Message> expected = head;
    expected.insert(expected.end(), head.begin(), head.end());
    CHECK_EQ(room.keys(), expected);
    room.release();

    note("the page answers again");
    y.close_settings();
    post_command(y.main, IDM_START);
    REQUIRE(room.wait_keys(expected.size() + burst.size(), 60000));
    REQUIRE(send_message(room.page(), WM_NULL, 0, 0));
    expected.insert(expected.end(), burst.begin(), burst.end());
    CHECK_EQ(room.keys(), expected);
}

// A page that is busy for 4 s with the first key message of a post (a
// script, a garbage collection), still short of what the system calls
// hung, is waited for: the whole post arrives once, and the next post
// finds nothing left over.
E2E_TEST(automation_slow_page_gets_the_whole_post) {
    Yarrow y(settings_ini({0, 3600, "Chat room", "abc"}));
    y.close_settings();
    Room room("Chat room");
    room.set_hook([](size_t index) {
        if (index == 0)
            Sleep(4000);  // the page's pause, not a wait of the test
    });
    post_command(y.main, IDM_START);
    const std::vector<Message> burst = post_burst("abc");
    REQUIRE(room.wait_keys(burst.size(), 60000));
    REQUIRE(send_message(room.page(), WM_NULL, 0, 0));
    CHECK_EQ(room.keys(), burst);

    post_command(y.main, IDM_START);
    REQUIRE(room.wait_keys(2 * burst.size(), 60000));
    REQUIRE(send_message(room.page(), WM_NULL, 0, 0));
    CHECK_EQ(slice(room.keys(), burst.size(), 100), burst);
}

namespace {

// The slots that n new icons of the harness take in the USER handle table.
// Under Wine that table is one for the whole session, and a freed slot is
// handed out again before any other, the last freed first; so slots that the
// harness frees and later gets back were not kept by anyone meanwhile.
std::vector<unsigned> icon_slots(size_t n) {
    HICON model = LoadIconA(nullptr, IDI_APPLICATION);
    std::vector<HICON> icons;
    for (size_t i = 0; i < n; ++i) icons.push_back(CopyIcon(model));
    std::vector<unsigned> slots;
    for (HICON icon : icons) {
        if (icon)
            slots.push_back(LOWORD(reinterpret_cast<UINT_PTR>(icon)));
        if (icon)
            DestroyIcon(icon);
    }
    std::sort(slots.begin(), slots.end());
    return slots;
}

}  // namespace

// Every switch of the run state loads the tray icon anew; the one it
// replaces is released. Two thousand stops leave the USER handle table as
// they found it: the slots freed just before them are free again after.
E2E_TEST(automation_state_switches_release_icons) {
    Yarrow y(settings_ini({10, 240, "Chat room", "."}));
    y.close_settings();
    const size_t probes = 500, switches = 2000;
    std::vector<unsigned> before = icon_slots(probes);
    REQUIRE_EQ(before.size(), probes);
    const DWORD start = GetTickCount();
    for (size_t i = 0; i < switches; ++i) {
        if (!send_message(y.main, WM_COMMAND, IDM_STOP, 0))
            FAIL("the program stopped answering");
    }
    note("%zu switches in %lu ms", switches, GetTickCount() - start);
    std::vector<unsigned> after = icon_slots(probes);
    std::vector<unsigned> common;
    std::set_intersection(before.begin(), before.end(), after.begin(), after.end(),
                          std::back_inserter(common));
    note("%zu of %zu slots free again", common.size(), probes);
    CHECK(common.size() >= probes / 2);
}
