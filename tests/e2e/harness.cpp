// The end-to-end harness library and its entry point; see harness.h.
#include "harness.h"

#include "chat_room.h"

#include <shellapi.h>

#include <algorithm>
#include <cstdarg>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <map>
#include <type_traits>

namespace e2e {

// ---------------------------------------------------------------------------
// Registration, results, log

namespace {

struct TestCase {
    const char *name;
    TestFn fn;
    const char *file;
    int line;
    unsigned codepage;
};

std::vector<TestCase> &registry() {
    static std::vector<TestCase> tests;
    return tests;
}

std::string g_test_name = "harness";

}  // namespace

Registrar::Registrar(const char *name, TestFn fn, const char *file, int line, unsigned codepage) {
    registry().push_back(TestCase{name, fn, file, line, codepage});
}

void note(const char *fmt, ...) {
    char buf[2048];
    va_list ap;
    va_start(ap, fmt);
    vsnprintf(buf, sizeof buf, fmt, ap);
    va_end(ap);
    printf("  %s\n", buf);
    fflush(stdout);
}

// ---------------------------------------------------------------------------
// Time and waiting

DWORD scaled(DWORD ms) {
    static double scale = -1;
    if (scale < 0) {
        char buf[32];
        scale = 1;
        if (GetEnvironmentVariableA("YARROW_E2E_TIME_SCALE", buf, sizeof buf)) {
            double v = atof(buf);
            if (v > 0)
                scale = v;
        }
    }
    return static_cast<DWORD>(ms * scale);
}

void pump() {
    MSG msg;
    while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
        TranslateMessage(&msg);
        DispatchMessageA(&msg);
    }
}

bool wait_until(const std::function<bool()> &pred, DWORD timeout_ms) {
    const DWORD start = GetTickCount();
    const DWORD limit = scaled(timeout_ms);
    for (;;) {
        pump();
        if (pred())
            return true;
        DWORD spent = GetTickCount() - start;
        if (spent >= limit)
            return false;
        // Wake up at once for anything sent or posted to the harness, else
        // look again after a short slice.
        DWORD slice = std::min<DWORD>(50, limit - spent);
        MsgWaitForMultipleObjects(0, nullptr, FALSE, slice, QS_ALLINPUT);
    }
}

bool stays_quiet(const std::function<bool()> &happened, DWORD ms) {
    return !wait_until(happened, ms);
}

// ---------------------------------------------------------------------------
// Windows

std::string class_name(HWND w) {
    char buf[256] = "";
    GetClassNameA(w, buf, sizeof buf);
    return buf;
}

std::string window_text(HWND w) {
    char buf[4096] = "";
    GetWindowTextA(w, buf, sizeof buf);
    return buf;
}

std::wstring window_text_w(HWND w) {
    wchar_t buf[4096] = L"";
    GetWindowTextW(w, buf, 4096);
    return buf;
}

std::string item_text(HWND dialog, int id) {
    HWND item = GetDlgItem(dialog, id);
    if (!item)
        return "<no item " + std::to_string(id) + ">";
    // GetWindowText does not ask a window of another process for its text
    // (an edit's, for one); WM_GETTEXT does.
    char buf[4096] = "";
    if (!send_message(item, WM_GETTEXT, sizeof buf, reinterpret_cast<LPARAM>(buf))) {
        return "<item " + std::to_string(id) + " does not answer>";
    }
    buf[sizeof buf - 1] = '\0';
    return buf;
}

DWORD window_pid(HWND w) {
    DWORD pid = 0;
    GetWindowThreadProcessId(w, &pid);
    return pid;
}

static BOOL CALLBACK collect_window(HWND w, LPARAM lp) {
    reinterpret_cast<std::vector<HWND> *>(lp)->push_back(w);
    return TRUE;
}

std::vector<HWND> top_windows() {
    std::vector<HWND> out;
    EnumWindows(collect_window, reinterpret_cast<LPARAM>(&out));
    return out;
}

std::vector<HWND> children(HWND parent) {
    std::vector<HWND> out;
    EnumChildWindows(parent, collect_window, reinterpret_cast<LPARAM>(&out));
    return out;
}

std::vector<HWND> find_tops(DWORD pid, const char *cls, const char *caption) {
    std::vector<HWND> out;
    for (HWND w : top_windows()) {
        if (pid && window_pid(w) != pid)
            continue;
        if (cls && lstrcmpiA(class_name(w).c_str(), cls) != 0)
            continue;
        if (caption && window_text(w) != caption)
            continue;
        out.push_back(w);
    }
    return out;
}

HWND find_top(DWORD pid, const char *cls, const char *caption) {
    std::vector<HWND> all = find_tops(pid, cls, caption);
    return all.empty() ? nullptr : all.front();
}

HWND wait_top(DWORD pid, const char *cls, const char *caption, DWORD timeout_ms) {
    HWND found = nullptr;
    wait_until([&] { return (found = find_top(pid, cls, caption)) != nullptr; }, timeout_ms);
    return found;
}

bool wait_gone(HWND w, DWORD timeout_ms) {
    return wait_until([&] { return !IsWindow(w); }, timeout_ms);
}

bool is_ready(HWND w, DWORD answer_ms) {
    // A message sent to a window is answered only once its thread looks for
    // messages again, that is once the dialog's initialisation has run to its
    // end; a window that hides itself while it initialises (the status
    // window does) is visible only after that.
    return IsWindowVisible(w) && send_message(w, WM_NULL, 0, 0, answer_ms) && IsWindowVisible(w);
}

HWND find_dialog_with(DWORD pid, int child_id) {
    for (HWND w : find_tops(pid, "#32770", nullptr)) {
        if (GetDlgItem(w, child_id))
            return w;
    }
    return nullptr;
}

HWND wait_dialog_with(DWORD pid, int child_id, DWORD timeout_ms) {
    HWND found = nullptr;
    wait_until(
        [&] {
            found = find_dialog_with(pid, child_id);
            return found && is_ready(found, timeout_ms);
        },
        timeout_ms);
    return found && is_ready(found, timeout_ms) ? found : nullptr;
}

HWND focused_window(DWORD thread_id) {
    GUITHREADINFO info;
    memset(&info, 0, sizeof info);
    info.cbSize = sizeof info;
    if (!GetGUIThreadInfo(thread_id, &info))
        return nullptr;
    return info.hwndFocus;
}

void post_command(HWND w, int id) {
    PostMessageA(w, WM_COMMAND, MAKEWPARAM(id, 0), 0);
}

bool send_message(HWND w, UINT msg, WPARAM wp, LPARAM lp, DWORD timeout_ms, LRESULT *result) {
    DWORD_PTR r = 0;
    LRESULT ok = SendMessageTimeoutA(w, msg, wp, lp, SMTO_NORMAL, scaled(timeout_ms), &r);
    if (result)
        *result = static_cast<LRESULT>(r);
    return ok != 0;
}

void set_item_text(HWND dialog, int id, const char *text) {
    HWND item = GetDlgItem(dialog, id);
    send_message(item, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(text));
}

RECT window_rect(HWND w) {
    RECT r = {0, 0, 0, 0};
    GetWindowRect(w, &r);
    return r;
}

void move_window(HWND w, int x, int y) {
    SetWindowPos(w, nullptr, x, y, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
    if (!wait_until(
            [&] {
                RECT r = window_rect(w);
                return r.left == x && r.top == y;
            },
            20000))
        FAIL("the window did not move to (" + std::to_string(x) + ", " + std::to_string(y) + ")");
}

std::pair<int, int> selection(HWND edit) {
    LRESULT r = 0;
    send_message(edit, EM_GETSEL, 0, 0, 10000, &r);
    return {LOWORD(r), HIWORD(r)};
}

HWND shown_menu(DWORD pid) {
    for (HWND w : find_tops(pid, "#32768", nullptr)) {
        if (IsWindowVisible(w))
            return w;
    }
    return nullptr;
}

static void add_key(std::vector<INPUT> *inputs, WORD vk, bool up) {
    INPUT in;
    memset(&in, 0, sizeof in);
    in.type = INPUT_KEYBOARD;
    in.ki.wVk = vk;
    in.ki.wScan = static_cast<WORD>(MapVirtualKeyA(vk, 0));
    in.ki.dwFlags = up ? KEYEVENTF_KEYUP : 0;
    inputs->push_back(in);
}

bool bring_forward(HWND target, DWORD timeout_ms) {
    HWND root = GetAncestor(target, GA_ROOT);
    DWORD last_try = 0;
    bool ok = wait_until(
        [&] {
            if (GetForegroundWindow() == root)
                return true;
            // Ask again now and then: a program busy with its own windows
            // may take the foreground back meanwhile.
            DWORD now = GetTickCount();
            if (last_try == 0 || now - last_try >= 500) {
                SetForegroundWindow(root);
                last_try = now;
            }
            return false;
        },
        timeout_ms);
    if (!ok) {
        HWND fg = GetForegroundWindow();
        note("cannot bring %s forward; the foreground window is %s %s",
             quote(window_text(root)).c_str(), class_name(fg).c_str(),
             quote(window_text(fg)).c_str());
    }
    return ok;
}

bool press_key(HWND target, WORD vk, UINT modifiers) {
    if (target && !bring_forward(target, 10000))
        return false;
    std::vector<INPUT> inputs;
    if (modifiers & MOD_CONTROL)
        add_key(&inputs, VK_CONTROL, false);
    if (modifiers & MOD_SHIFT)
        add_key(&inputs, VK_SHIFT, false);
    if (modifiers & MOD_ALT)
        add_key(&inputs, VK_MENU, false);
    add_key(&inputs, vk, false);
    add_key(&inputs, vk, true);
    if (modifiers & MOD_ALT)
        add_key(&inputs, VK_MENU, true);
    if (modifiers & MOD_SHIFT)
        add_key(&inputs, VK_SHIFT, true);
    if (modifiers & MOD_CONTROL)
        add_key(&inputs, VK_CONTROL, true);
    UINT sent = SendInput(static_cast<UINT>(inputs.size()), inputs.data(), sizeof(INPUT));
    pump();
    if (sent != inputs.size()) {
        note("press_key: SendInput took %u of %u inputs, error %lu", sent,
             static_cast<unsigned>(inputs.size()), GetLastError());
        return false;
    }
    return true;
}

// ---------------------------------------------------------------------------
// Message boxes

bool is_message_box(HWND w) {
    if (lstrcmpiA(class_name(w).c_str(), "#32770") != 0)
        return false;
    HWND text = GetDlgItem(w, 0xFFFF);
    HWND ok = GetDlgItem(w, IDOK);
    return text && ok && lstrcmpiA(class_name(text).c_str(), "Static") == 0 &&
           lstrcmpiA(class_name(ok).c_str(), "Button") == 0;
}

bool wait_message_box(DWORD pid, MessageBoxInfo *out, DWORD timeout_ms) {
    HWND found = nullptr;
    wait_until(
        [&] {
            for (HWND w : find_tops(pid, "#32770", nullptr)) {
                if (IsWindowVisible(w) && is_message_box(w)) {
                    found = w;
                    return true;
                }
            }
            return false;
        },
        timeout_ms);
    if (!found)
        return false;
    out->hwnd = found;
    out->caption = window_text(found);
    out->text = item_text(found, 0xFFFF);
    return true;
}

bool press_ok(const MessageBoxInfo &box) {
    PostMessageA(box.hwnd, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED),
                 reinterpret_cast<LPARAM>(GetDlgItem(box.hwnd, IDOK)));
    return wait_gone(box.hwnd, 20000);
}

// ---------------------------------------------------------------------------
// Files

bool contains(const std::string &hay, const std::string &needle) {
    return hay.find(needle) != std::string::npos;
}

static bool file_exists(const std::string &path) {
    return GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES;
}

static void remove_tree(const std::string &dir) {
    WIN32_FIND_DATAA fd;
    HANDLE h = FindFirstFileA((dir + "\\*").c_str(), &fd);
    if (h != INVALID_HANDLE_VALUE) {
        do {
            std::string name = fd.cFileName;
            if (name == "." || name == "..")
                continue;
            std::string full = dir + "\\" + name;
            if (fd.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) {
                remove_tree(full);
            } else {
                SetFileAttributesA(full.c_str(), FILE_ATTRIBUTE_NORMAL);
                DeleteFileA(full.c_str());
            }
        } while (FindNextFileA(h, &fd));
        FindClose(h);
    }
    RemoveDirectoryA(dir.c_str());
}

// A path given as a Unix path ("/work/...") is reached through drive Z:.
static std::string to_windows_path(std::string p) {
    if (!p.empty() && p[0] == '/') {
        std::replace(p.begin(), p.end(), '/', '\\');
        p = "Z:" + p;
    }
    return p;
}

static std::string env(const char *name) {
    char buf[2048];
    DWORD n = GetEnvironmentVariableA(name, buf, sizeof buf);
    if (n == 0 || n >= sizeof buf)
        return "";
    return buf;
}

static std::string harness_dir() {
    char buf[MAX_PATH] = "";
    GetModuleFileNameA(nullptr, buf, sizeof buf);
    std::string p = buf;
    size_t cut = p.find_last_of('\\');
    return cut == std::string::npos ? "." : p.substr(0, cut);
}

std::string program_path() {
    std::string p = env("YARROW_EXE");
    if (!p.empty())
        return to_windows_path(p);
    return harness_dir() + "\\Yarrowmeld.exe";
}

// ---------------------------------------------------------------------------
// Processes

HANDLE kill_on_exit_job() {
    static HANDLE h = [] {
        HANDLE j = CreateJobObjectA(nullptr, nullptr);
        if (j) {
            JOBOBJECT_EXTENDED_LIMIT_INFORMATION info;
            memset(&info, 0, sizeof info);
            info.BasicLimitInformation.LimitFlags = JOB_OBJECT_LIMIT_KILL_ON_JOB_CLOSE;
            SetInformationJobObject(j, JobObjectExtendedLimitInformation, &info, sizeof info);
        }
        return j;
    }();
    return h;
}

namespace {

std::string quote_arg(const std::string &a) {
    if (!a.empty() && a.find_first_of(" \t\"") == std::string::npos)
        return a;
    std::string out = "\"";
    size_t slashes = 0;
    for (char c : a) {
        if (c == '\\') {
            ++slashes;
            continue;
        }
        if (c == '"') {
            out.append(slashes * 2 + 1, '\\');
        } else {
            out.append(slashes, '\\');
        }
        out += c;
        slashes = 0;
    }
    out.append(slashes * 2, '\\');
    return out + "\"";
}

}  // namespace

Process::Process(HANDLE process, HANDLE thread, DWORD pid, DWORD tid)
    : process_(process), thread_(thread), pid_(pid), tid_(tid) {}

Process::~Process() {
    kill();
    if (process_)
        CloseHandle(process_);
    if (thread_)
        CloseHandle(thread_);
}

Process::Process(Process &&o) noexcept {
    *this = std::move(o);
}

Process &Process::operator=(Process &&o) noexcept {
    if (this != &o) {
        kill();
        if (process_)
            CloseHandle(process_);
        if (thread_)
            CloseHandle(thread_);
        process_ = o.process_;
        thread_ = o.thread_;
        pid_ = o.pid_;
        tid_ = o.tid_;
        o.process_ = o.thread_ = nullptr;
        o.pid_ = o.tid_ = 0;
    }
    return *this;
}

bool Process::running() const {
    return process_ && WaitForSingleObject(process_, 0) == WAIT_TIMEOUT;
}

bool Process::wait_exit(DWORD timeout_ms, DWORD *exit_code) {
    if (!process_)
        return false;
    const DWORD start = GetTickCount();
    const DWORD limit = scaled(timeout_ms);
    for (;;) {
        DWORD spent = GetTickCount() - start;
        DWORD left = spent >= limit ? 0 : limit - spent;
        DWORD r =
            MsgWaitForMultipleObjects(1, &process_, FALSE, std::min<DWORD>(left, 100), QS_ALLINPUT);
        if (r == WAIT_OBJECT_0)
            break;
        pump();
        if (left == 0)
            return false;
    }
    if (exit_code)
        GetExitCodeProcess(process_, exit_code);
    return true;
}

void Process::kill() {
    if (!running())
        return;
    TerminateProcess(process_, 1);
    wait_exit(30000, nullptr);
}

// ---------------------------------------------------------------------------
// Sandbox

static std::string sandbox_base() {
    std::string base = env("YARROW_E2E_TMP");
    if (base.empty())
        base = harness_dir() + "\\e2e-tmp";
    base = to_windows_path(base);
    CreateDirectoryA(base.c_str(), nullptr);
    return base;
}

Sandbox::Sandbox(const std::string &exe_name, const std::string &sub_dir) : exe_name_(exe_name) {
    static int serial = 0;
    char name[128];
    snprintf(name, sizeof name, "%s-%lu-%d", g_test_name.c_str(), GetCurrentProcessId(), ++serial);
    root_ = sandbox_base() + "\\" + name;
    if (file_exists(root_))
        remove_tree(root_);
    if (!CreateDirectoryA(root_.c_str(), nullptr))
        FAIL("cannot create sandbox " + quote(root_));
    exe_dir_ = root_;
    if (!sub_dir.empty()) {
        exe_dir_ = root_ + "\\" + sub_dir;
        if (!CreateDirectoryA(exe_dir_.c_str(), nullptr)) {
            FAIL("cannot create folder " + quote(exe_dir_) + ", error " +
                 std::to_string(GetLastError()));
        }
    }
    std::string program = program_path();
    if (!CopyFileA(program.c_str(), exe_path().c_str(), FALSE)) {
        FAIL("cannot copy " + quote(program) + " to " + quote(exe_path()) + ", error " +
             std::to_string(GetLastError()));
    }
}

Sandbox::~Sandbox() {
    for (auto &p : processes_) p->kill();
    processes_.clear();
    if (checks::failures() == 0) {
        remove_tree(root_);
    } else {
        printf("  sandbox kept: %s\n", quote(root_).c_str());
    }
}

void Sandbox::write_file(const std::string &name, const std::string &bytes) {
    if (!e2e::write_file(path(name), bytes))
        FAIL("cannot write " + quote(path(name)));
}

bool Sandbox::read_file(const std::string &name, std::string *bytes) const {
    return e2e::read_file(path(name), bytes);
}

bool Sandbox::exists(const std::string &name) const {
    return file_exists(path(name));
}

Process &Sandbox::start(const StartOptions &opts) {
    std::string cmd = quote_arg(exe_path());
    for (const std::string &a : opts.args) cmd += " " + quote_arg(a);
    std::string cwd = opts.cwd.empty() ? exe_dir_ : opts.cwd;
    STARTUPINFOA si;
    memset(&si, 0, sizeof si);
    si.cb = sizeof si;
    PROCESS_INFORMATION pi;
    memset(&pi, 0, sizeof pi);
    std::vector<char> cmdline(cmd.begin(), cmd.end());
    cmdline.push_back('\0');
    if (!CreateProcessA(exe_path().c_str(), cmdline.data(), nullptr, nullptr, FALSE,
                        CREATE_SUSPENDED, nullptr, cwd.c_str(), &si, &pi)) {
        FAIL("cannot start " + quote(cmd) + ", error " + std::to_string(GetLastError()));
    }
    if (kill_on_exit_job())
        AssignProcessToJobObject(kill_on_exit_job(), pi.hProcess);
    ResumeThread(pi.hThread);
    processes_.push_back(std::unique_ptr<Process>(
        new Process(pi.hProcess, pi.hThread, pi.dwProcessId, pi.dwThreadId)));
    note("started %s (pid %lu)", quote(cmd).c_str(), pi.dwProcessId);
    return *processes_.back();
}

// ---------------------------------------------------------------------------
// Pictures

bool Image::drawn() const {
    return !px.empty() &&
           std::count(px.begin(), px.end(), px.front()) < static_cast<std::ptrdiff_t>(px.size());
}

static Image capture_rect(RECT r) {
    Image img;
    // Only what lies on the screen: a copy that reaches past its edge fails
    // as a whole under Wine.
    const RECT screen_rect = {0, 0, GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN)};
    IntersectRect(&r, &r, &screen_rect);
    const int cx = r.right - r.left, cy = r.bottom - r.top;
    if (cx <= 0 || cy <= 0)
        return img;
    HDC screen = GetDC(nullptr);
    HDC mem = CreateCompatibleDC(screen);
    BITMAPINFO bi;
    memset(&bi, 0, sizeof bi);
    bi.bmiHeader.biSize = sizeof bi.bmiHeader;
    bi.bmiHeader.biWidth = cx;
    bi.bmiHeader.biHeight = -cy;
    bi.bmiHeader.biPlanes = 1;
    bi.bmiHeader.biBitCount = 32;
    void *bits = nullptr;
    HBITMAP bmp = CreateDIBSection(screen, &bi, DIB_RGB_COLORS, &bits, nullptr, 0);
    if (bmp && bits) {
        HGDIOBJ old = SelectObject(mem, bmp);
        BitBlt(mem, 0, 0, cx, cy, screen, r.left, r.top, SRCCOPY);
        GdiFlush();
        img.cx = cx;
        img.cy = cy;
        img.px.assign(static_cast<DWORD *>(bits), static_cast<DWORD *>(bits) + cx * cy);
        for (DWORD &p : img.px) p &= 0xFFFFFF;
        SelectObject(mem, old);
    }
    if (bmp)
        DeleteObject(bmp);
    DeleteDC(mem);
    ReleaseDC(nullptr, screen);
    return img;
}

Image capture(HWND w) {
    RECT r;
    if (!IsWindow(w) || !GetWindowRect(w, &r))
        return Image();
    return capture_rect(r);
}

Image capture_client(HWND w) {
    RECT r;
    if (!IsWindow(w) || !GetClientRect(w, &r))
        return Image();
    MapWindowPoints(w, nullptr, reinterpret_cast<POINT *>(&r), 2);
    return capture_rect(r);
}

void save_image(const Image &img, const std::string &path) {
    BITMAPFILEHEADER fh;
    BITMAPINFOHEADER ih;
    memset(&fh, 0, sizeof fh);
    memset(&ih, 0, sizeof ih);
    ih.biSize = sizeof ih;
    ih.biWidth = img.cx;
    ih.biHeight = -img.cy;
    ih.biPlanes = 1;
    ih.biBitCount = 32;
    const DWORD data = static_cast<DWORD>(img.px.size() * 4);
    fh.bfType = 0x4D42;
    fh.bfOffBits = sizeof fh + sizeof ih;
    fh.bfSize = fh.bfOffBits + data;
    std::string bytes(reinterpret_cast<const char *>(&fh), sizeof fh);
    bytes.append(reinterpret_cast<const char *>(&ih), sizeof ih);
    bytes.append(reinterpret_cast<const char *>(img.px.data()), data);
    write_file(path, bytes);
}

Image wait_steady(HWND w, const std::function<bool(const Image &)> &drawn) {
    Image last, now;
    wait_until(
        [&] {
            now = capture(w);
            bool steady = !now.px.empty() && now == last && drawn(now);
            last = now;
            return steady;
        },
        10000);
    return now;
}

// ---------------------------------------------------------------------------
// The program's texts, settings file and windows

std::string settings_ini(const IniValues &v) {
    auto quoted = [](const std::string &value) {
        return value.empty() ? value : "\"" + value + "\"";
    };
    return "[Setting]\r\nUpdate=" + std::to_string(v.update) +
           "\r\nNewLine=" + std::to_string(v.post) + "\r\nTitle=" + quoted(v.title) +
           "\r\nCharcter=" + quoted(v.text) + "\r\n";
}

std::string dialog_fields(HWND settings_dialog) {
    return item_text(settings_dialog, IDC_UPDATE_SECS) + "\n" +
           item_text(settings_dialog, IDC_POST_SECS) + "\n" +
           item_text(settings_dialog, IDC_TITLE) + "\n" + item_text(settings_dialog, IDC_POST_TEXT);
}

std::string fields_of(const IniValues &v) {
    return std::to_string(v.update) + "\n" + std::to_string(v.post) + "\n" + v.title + "\n" +
           v.text;
}

bool wait_ready(HWND w, DWORD timeout_ms) {
    return wait_until([&] { return !IsWindow(w) || is_ready(w, timeout_ms); }, timeout_ms) &&
           IsWindow(w);
}

HWND wait_settings_dialog(const Process &p, DWORD timeout_ms) {
    // Only the settings dialog has the title field.
    return wait_dialog_with(p.pid(), IDC_TITLE, timeout_ms);
}

HWND find_main_window(DWORD pid) {
    return find_top(pid, "Yarrowmeld", "Yarrowmeld");
}

HWND settings_dialog(const Process &p) {
    return find_dialog_with(p.pid(), IDC_TITLE);
}

HWND about_dialog(const Process &p) {
    return find_dialog_with(p.pid(), IDC_ABOUT_VERSION);
}

HWND status_window(const Process &p) {
    return find_dialog_with(p.pid(), IDC_STATUS_CLOSE);
}

std::vector<HWND> viewers(const Process &p) {
    return find_tops(p.pid(), "#32770", kViewerCaption);
}

HWND wait_viewer(const Process &p, DWORD timeout_ms) {
    HWND found = nullptr;
    wait_until(
        [&] {
            found = find_top(p.pid(), "#32770", kViewerCaption);
            return found && is_ready(found, timeout_ms);
        },
        timeout_ms);
    return found && is_ready(found, timeout_ms) ? found : nullptr;
}

// Under Wine the rich edit answers WM_GETTEXTLENGTH from another process
// with 0, so the text is asked for into a buffer far larger than the test
// files.
std::string viewer_text(HWND viewer) {
    for (HWND c : children(viewer)) {
        if (lstrcmpiA(class_name(c).c_str(), "RICHEDIT") != 0)
            continue;
        std::string buf(65536, '\0');
        if (!send_message(c, WM_GETTEXT, buf.size(), reinterpret_cast<LPARAM>(&buf[0])))
            return "<no answer>";
        buf.resize(strlen(buf.c_str()));
        return buf;
    }
    return "<no rich-edit control>";
}

void check_exit_0(Process &p) {
    DWORD code = 99;
    REQUIRE(p.wait_exit(60000, &code));
    CHECK_EQ(code, 0u);
}

Yarrow::Yarrow(const std::string &ini, const std::string &readme) {
    if (!ini.empty())
        box.write_file("Yarrowmeld.ini", ini);
    if (!readme.empty())
        box.write_file("Readme.txt", readme);
    proc = &box.start();
    dlg = wait_settings_dialog(*proc);
    REQUIRE(dlg);
    main = find_main_window(proc->pid());
    REQUIRE(main);
}

std::string Yarrow::ini() const {
    std::string bytes;
    if (!box.read_file("Yarrowmeld.ini", &bytes))
        return "<no file>";
    return bytes;
}

bool Yarrow::focus_reaches(int id) const {
    HWND field = item(id);
    return wait_until([&] { return focused_window(proc->main_thread_id()) == field; }, 20000);
}

void Yarrow::fill(const char *title, const char *text, const char *update, const char *post) const {
    set_item_text(dlg, IDC_TITLE, title);
    set_item_text(dlg, IDC_POST_TEXT, text);
    set_item_text(dlg, IDC_UPDATE_SECS, update);
    set_item_text(dlg, IDC_POST_SECS, post);
}

void Yarrow::wait_closed() {
    REQUIRE(wait_gone(dlg));
    dlg = nullptr;
}

void Yarrow::wait_accepted() {
    REQUIRE(dlg);
    MessageBoxInfo box_info;
    bool gone = wait_until([&] { return !IsWindow(dlg) || wait_message_box(pid(), &box_info, 0); },
                           kWindowTimeout);
    if (box_info.hwnd)
        FAIL("the settings dialog showed a box: " + quote(box_info.text));
    if (!gone)
        FAIL("the settings dialog stayed open");
    dlg = nullptr;
}

void Yarrow::press_start() {
    REQUIRE(dlg);
    post_command(dlg, IDC_START);
    wait_accepted();
}

void Yarrow::close_settings() {
    REQUIRE(dlg);
    PostMessageA(dlg, WM_CLOSE, 0, 0);
    wait_closed();
}

void Yarrow::open_settings() {
    REQUIRE(dlg == nullptr);
    post_command(main, IDM_SETTINGS);
    dlg = wait_settings_dialog(*proc);
    if (!dlg)
        FAIL("the settings dialog did not open");
}

bool Yarrow::double_click_tray() {
    return send_message(main, WM_TRAYNOTIFY, 1, WM_LBUTTONDBLCLK, 30000);
}

// ---------------------------------------------------------------------------
// Tray

int tray_icon_count() {
    HWND tray = find_top(0, nullptr, "Wine System Tray");
    if (!tray)
        return -1;
    int n = 0;
    for (HWND w : children(tray)) {
        if (lstrcmpiA(class_name(w).c_str(), "__winex11_tray_icon") == 0)
            ++n;
    }
    return n;
}

static LRESULT CALLBACK plain_proc(HWND w, UINT msg, WPARAM wp, LPARAM lp) {
    return DefWindowProcA(w, msg, wp, lp);
}

bool hold_tray_icon() {
    static HWND holder = nullptr;
    if (holder)
        return true;
    WNDCLASSA wc;
    memset(&wc, 0, sizeof wc);
    wc.lpfnWndProc = plain_proc;
    wc.hInstance = GetModuleHandleA(nullptr);
    wc.lpszClassName = "YarrowmeldHarnessTray";
    RegisterClassA(&wc);
    holder = CreateWindowExA(0, wc.lpszClassName, "harness tray", WS_POPUP, 0, 0, 0, 0, nullptr,
                             nullptr, wc.hInstance, nullptr);
    NOTIFYICONDATAA nid;
    memset(&nid, 0, sizeof nid);
    nid.cbSize = sizeof nid;
    nid.hWnd = holder;
    nid.uID = 77;
    nid.uFlags = NIF_ICON | NIF_TIP;
    nid.hIcon = LoadIconA(nullptr, IDI_APPLICATION);
    lstrcpyA(nid.szTip, "e2e harness");
    // The tray of a session that has just started may not take icons yet.
    if (!holder || !wait_until([&] { return Shell_NotifyIconA(NIM_ADD, &nid) != FALSE; }, 60000)) {
        if (holder)
            DestroyWindow(holder);
        holder = nullptr;
        return false;
    }
    return true;
}

// ---------------------------------------------------------------------------
// Fake browser

std::string describe(const Message &m) {
    static const std::map<UINT, const char *> names = {
        {WM_KEYDOWN, "WM_KEYDOWN"},     {WM_KEYUP, "WM_KEYUP"},
        {WM_CHAR, "WM_CHAR"},           {WM_SYSKEYDOWN, "WM_SYSKEYDOWN"},
        {WM_SYSKEYUP, "WM_SYSKEYUP"},   {WM_SETFOCUS, "WM_SETFOCUS"},
        {WM_KILLFOCUS, "WM_KILLFOCUS"}, {WM_ACTIVATE, "WM_ACTIVATE"},
        {WM_PAINT, "WM_PAINT"},         {WM_SETTEXT, "WM_SETTEXT"},
        {WM_GETTEXT, "WM_GETTEXT"},     {WM_IME_SETCONTEXT, "WM_IME_SETCONTEXT"},
    };
    char buf[96];
    auto it = names.find(m.msg);
    if (it != names.end()) {
        snprintf(buf, sizeof buf, "{%s, %lu, %ld}", it->second,
                 static_cast<unsigned long>(m.wparam), static_cast<long>(m.lparam));
    } else {
        snprintf(buf, sizeof buf, "{0x%04X, %lu, %ld}", m.msg, static_cast<unsigned long>(m.wparam),
                 static_cast<long>(m.lparam));
    }
    return buf;
}

std::string describe(const std::vector<Message> &ms) {
    std::string out = "[";
    for (size_t i = 0; i < ms.size(); ++i) {
        if (i)
            out += ", ";
        out += describe(ms[i]);
    }
    return out + "]";
}

}  // namespace e2e

bool checks::check_eq_impl(const std::vector<e2e::Message> &a, const std::vector<e2e::Message> &b,
                           const char *ae, const char *be, const char *file, int line) {
    if (a == b)
        return report(true, file, line, "");
    return report(false, file, line, describe_eq(ae, be, e2e::describe(a), e2e::describe(b)));
}

namespace e2e {

// The page window's messages, into the log of the fake browser.
static void record_page(void *context, HWND, UINT msg, WPARAM wp, LPARAM lp) {
    static_cast<std::vector<Message> *>(context)->push_back(Message{msg, wp, lp});
}

static std::wstring wide(const char *ansi) {
    int n = MultiByteToWideChar(CP_ACP, 0, ansi, -1, nullptr, 0);
    std::wstring out(n > 0 ? n : 1, L'\0');
    if (n > 0)
        MultiByteToWideChar(CP_ACP, 0, ansi, -1, &out[0], n);
    out.resize(lstrlenW(out.c_str()));
    return out;
}

FakeBrowser::FakeBrowser(const char *frame_class, const char *title, const char *page_class,
                         bool nested, bool visible)
    : room_(new ChatRoom()) {
    std::wstring frame_w = wide(frame_class), title_w = wide(title), page_w = wide(page_class);
    ChatRoomOptions opt;
    opt.frame_class = frame_w.c_str();
    opt.title = title_w.c_str();
    opt.page_class = page_w.c_str();
    opt.chromium = lstrcmpiA(frame_class, "Chrome_WidgetWin_1") == 0;
    opt.nested = nested;
    opt.ansi_page = true;
    opt.visible = visible;
    opt.on_page = record_page;
    opt.context = &page_log_;
    if (!chat_room_open(room_.get(), opt))
        FAIL("cannot create the fake browser");
    pump();
    page_log_.clear();
}

FakeBrowser::~FakeBrowser() {
    room_->opt.on_page = nullptr;
    chat_room_close(room_.get());
}

HWND FakeBrowser::frame() const {
    return room_->frame;
}

HWND FakeBrowser::page() const {
    return room_->page;
}

void FakeBrowser::set_title(const char *title) {
    SetWindowTextA(room_->frame, title);
}

const std::vector<Message> &FakeBrowser::page_messages() const {
    return page_log_;
}

std::vector<Message> FakeBrowser::page_keys() const {
    std::vector<Message> out;
    for (const Message &m : page_log_) {
        if (m.msg == WM_KEYDOWN || m.msg == WM_CHAR || m.msg == WM_KEYUP)
            out.push_back(m);
    }
    return out;
}

std::string FakeBrowser::typed() const {
    std::string out;
    for (const Message &m : page_log_) {
        if (m.msg == WM_CHAR)
            out.push_back(static_cast<char>(m.wparam & 0xFF));
    }
    return out;
}

void FakeBrowser::clear() {
    page_log_.clear();
}

bool FakeBrowser::wait_keys(size_t n, DWORD timeout_ms) {
    return wait_until([&] { return page_keys().size() >= n; }, timeout_ms);
}

// ---------------------------------------------------------------------------
// Entry point

namespace {

int run_test(const TestCase &t) {
    g_test_name = t.name;
    checks::reset();
    printf("[ RUN  ] %s (ANSI code page %u)\n", t.name, GetACP());
    fflush(stdout);
    const DWORD start = GetTickCount();
    try {
        if (GetACP() != t.codepage) {
            FAIL("the test needs code page " + std::to_string(t.codepage) +
                 "; run it through CTest, which sets the locale for it");
        }
        t.fn();
    } catch (const Abort &) {
        // already reported
    } catch (const std::exception &e) {
        report(false, t.file, t.line, std::string("exception: ") + e.what());
    }
    const DWORD spent = GetTickCount() - start;
    if (checks::count() == 0) {
        report(false, t.file, t.line, "the test checked nothing");
    }
    printf("[ %s ] %s, %d checks, %d failed (%lu ms)\n", checks::failures() ? "FAIL" : " OK ",
           t.name, checks::count(), checks::failures(), spent);
    fflush(stdout);
    return checks::failures() ? 1 : 0;
}

// For the Wine environment (wine-env.sh up): reports the code page as
// --info does, then keeps one tray icon until the session ends, so that no
// test ever removes the last icon of the tray (Wine's explorer stalls for
// seconds when the tray runs empty).
int hold_tray() {
    printf("acp=%u oemcp=%u lc_all=%s\n", GetACP(), GetOEMCP(), env("LC_ALL").c_str());
    if (!hold_tray_icon()) {
        printf("the tray took no icon\n");
        return 1;
    }
    printf("holding the tray\n");
    MSG msg;
    while (GetMessageA(&msg, nullptr, 0, 0) > 0) {
        TranslateMessage(&msg);
        DispatchMessageA(&msg);
    }
    return 0;
}

// Helper for scripts/run.sh: waits for the program's settings dialog and
// presses its start button, as a user would after checking the fields.
int press_start(DWORD timeout_ms) {
    HWND dlg = nullptr;
    wait_until([&] { return (dlg = find_dialog_with(0, IDC_TITLE)) != nullptr; }, timeout_ms);
    if (!dlg || !wait_ready(dlg, timeout_ms)) {
        printf("no settings dialog appeared\n");
        return 1;
    }
    printf("settings dialog %s: title field %s; pressing start\n", quote(window_text(dlg)).c_str(),
           quote(item_text(dlg, IDC_TITLE)).c_str());
    post_command(dlg, IDC_START);
    return 0;
}

// Stand-in chat room for scripts/run.sh when the simulator is not built:
// shows the fake browser and prints every line typed into its page window.
int play_browser(const char *title) {
    FakeBrowser browser("IEFrame", title);
    printf("chat room %s is open\n", quote(title).c_str());
    size_t seen = 0;
    std::string line;
    for (;;) {
        wait_until(
            [&] { return browser.page_messages().size() > seen || !IsWindow(browser.frame()); },
            1000);
        if (!IsWindow(browser.frame()))
            return 0;
        const std::vector<Message> &log = browser.page_messages();
        for (; seen < log.size(); ++seen) {
            if (log[seen].msg != WM_CHAR)
                continue;
            char c = static_cast<char>(log[seen].wparam & 0xFF);
            if (c == '\r') {
                SYSTEMTIME t;
                GetLocalTime(&t);
                if (line.empty()) {
                    printf("%02d:%02d:%02d Enter\n", t.wHour, t.wMinute, t.wSecond);
                } else {
                    printf("%02d:%02d:%02d posted %s\n", t.wHour, t.wMinute, t.wSecond,
                           quote(line).c_str());
                }
                line.clear();
            } else {
                line.push_back(c);
            }
        }
    }
}

}  // namespace

}  // namespace e2e

namespace e2e {
namespace {

// For scripts (the screenshots): posts a message to the program's hidden
// main window once it exists.
int post_to_main(UINT msg, WPARAM wp, LPARAM lp, DWORD timeout_ms) {
    HWND main_window = wait_top(0, "Yarrowmeld", "Yarrowmeld", timeout_ms);
    if (!main_window) {
        printf("no main window\n");
        return 1;
    }
    PostMessageA(main_window, msg, wp, lp);
    return 0;
}

// For scripts: waits for a visible top-level window of this class ("-":
// any) and caption ("-": any) that holds `child`, a dialog item with a
// nonempty text when it is a number, else a control of that class; waits
// until the window is painted (two looks in a row agree, and a control named
// by its class shows more than its background) and prints its rectangle as
// WxH+X+Y.
int print_rect(const char *cls, const char *caption, const char *child, DWORD timeout_ms) {
    const int child_id = atoi(child);
    HWND found = nullptr, part = nullptr;
    auto match = [&] {
        for (HWND w : top_windows()) {
            if (!IsWindowVisible(w))
                continue;
            if (strcmp(cls, "-") != 0 && class_name(w) != cls)
                continue;
            if (strcmp(caption, "-") != 0 && window_text(w) != caption)
                continue;
            if (child_id && (!GetDlgItem(w, child_id) || item_text(w, child_id).empty()))
                continue;
            found = w;
            return true;
        }
        return false;
    };
    if (!wait_until(match, timeout_ms) || !wait_ready(found, timeout_ms)) {
        printf("no such window\n");
        return 1;
    }
    for (HWND c : children(found)) {
        if (!child_id && child[0] && lstrcmpiA(class_name(c).c_str(), child) == 0)
            part = c;
    }
    Image last;
    auto painted = [&] {
        Image now = capture(found);
        bool steady = now.drawn() && now == last && (!part || capture_client(part).drawn());
        last = now;
        return steady;
    };
    if ((!child_id && child[0] && !part) || !wait_until(painted, timeout_ms)) {
        printf("the window was not painted\n");
        return 1;
    }
    RECT r;
    GetWindowRect(found, &r);
    printf("%ldx%ld+%ld+%ld\n", r.right - r.left, r.bottom - r.top, r.left, r.top);
    return 0;
}

}  // namespace
}  // namespace e2e

int main(int argc, char **argv) {
    using namespace e2e;
    setvbuf(stdout, nullptr, _IONBF, 0);
    std::vector<TestCase> tests = registry();
    std::sort(tests.begin(), tests.end(),
              [](const TestCase &a, const TestCase &b) { return strcmp(a.name, b.name) < 0; });
    if (argc < 2) {
        printf(
            "usage: harness.exe NAME | --list | --info | --hold-tray | --press-start [SECONDS] | "
            "--browser [TITLE] | --post-main MSG WPARAM LPARAM | --rect CLASS CAPTION "
            "[CHILD_ID | CHILD_CLASS]\n");
        return 2;
    }
    std::string cmd = argv[1];
    if (cmd == "--list") {
        for (const TestCase &t : tests) printf("%s %u\n", t.name, t.codepage);
        return 0;
    }
    if (cmd == "--info") {
        // Used by the test set-up to check that the locale reached Wine.
        printf("acp=%u oemcp=%u lc_all=%s\n", GetACP(), GetOEMCP(), env("LC_ALL").c_str());
        return 0;
    }
    if (cmd == "--hold-tray")
        return hold_tray();
    if (cmd == "--browser")
        return play_browser(argc > 2 ? argv[2] : "Chat room");
    if (cmd == "--press-start") {
        DWORD secs = argc > 2 ? static_cast<DWORD>(atoi(argv[2])) : 120;
        return press_start(secs * 1000);
    }
    if (cmd == "--post-main" && argc > 4) {
        return post_to_main(static_cast<UINT>(strtoul(argv[2], nullptr, 0)),
                            static_cast<WPARAM>(strtoul(argv[3], nullptr, 0)),
                            static_cast<LPARAM>(strtoul(argv[4], nullptr, 0)), 120000);
    }
    if (cmd == "--rect" && argc > 3)
        return print_rect(argv[2], argv[3], argc > 4 ? argv[4] : "", 120000);
    for (const TestCase &t : tests) {
        if (cmd == t.name)
            return run_test(t);
    }
    printf("no test named %s\n", cmd.c_str());
    return 2;
}
