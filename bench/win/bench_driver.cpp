// Starts the real Yarrowmeld.exe and the bare tray program, drives them
// through their windows and measures them from outside:
//
//   bench_driver [options] figure...
//
// figures: startup=RUNS memory=POSTS leaks=SWITCHES idle=SECONDS
// options: --yarrowmeld EXE   the program (its INI file is written beside it)
//          --bare EXE         the bare tray program
//          --probe DLL        bench_probe.dll (for leaks and idle)
//          --frame-class C --title T --page-class P
//                             the chat window to post into
//          --sink "COMMAND"   started first when no such window exists
//
// Each figure prints RESULT lines (bench_util.h) and "#" comment lines.
#include <windows.h>
#include <psapi.h>
#include <shellapi.h>
#include <string.h>

#include "app/ids.h"
#include "bench_ids.h"
#include "bench_util.h"
#include "probe_shared.h"

static const char *yarrowmeld_exe;
static const char *bare_exe;
static const char *probe_dll;
static const char *frame_class = BENCH_FRAME_CLASS;
static const char *chat_title = BENCH_CHAT_TITLE;
static const char *page_class = BENCH_PAGE_CLASS;
static const char *sink_command;
static int faults;

static void fault(const char *what) {
    printf("# FAULT: %s\n", what);
    fflush(stdout);
    ++faults;
}

// Runs the driver's own messages for a while (it owns a tray icon).
static void pump_for(double ms) {
    double end = bench_now_ms() + ms;
    for (;;) {
        MSG msg;
        while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) DispatchMessageA(&msg);
        double left = end - bench_now_ms();
        if (left <= 0)
            return;
        MsgWaitForMultipleObjects(0, nullptr, FALSE, left < 1 ? 1 : static_cast<DWORD>(left),
                                  QS_ALLINPUT);
    }
}

// ---- windows of other processes ----

struct WindowQuery {
    DWORD process;      // 0: any
    const char *klass;  // null: any
    const char *title;  // null: any
    int item;           // nonzero: the window must have a child of this id
    HWND found;
    int count;
};

static int window_matches(HWND window, const WindowQuery *q) {
    if (q->process) {
        DWORD process = 0;
        GetWindowThreadProcessId(window, &process);
        if (process != q->process)
            return 0;
    }
    char text[256];
    if (q->klass && (!GetClassNameA(window, text, sizeof text) || lstrcmpiA(text, q->klass) != 0))
        return 0;
    if (q->title) {
        GetWindowTextA(window, text, sizeof text);
        if (strcmp(text, q->title) != 0)
            return 0;
    }
    if (q->item && !GetDlgItem(window, q->item))
        return 0;
    return 1;
}

static BOOL CALLBACK query_top(HWND window, LPARAM context) {
    WindowQuery *q = reinterpret_cast<WindowQuery *>(context);
    if (!window_matches(window, q))
        return TRUE;
    q->found = window;
    return FALSE;
}

static HWND find_top(DWORD process, const char *klass, const char *title, int item) {
    WindowQuery q = {process, klass, title, item, nullptr, 0};
    EnumWindows(query_top, reinterpret_cast<LPARAM>(&q));
    return q.found;
}

static BOOL CALLBACK count_any(HWND window, LPARAM context) {
    WindowQuery *q = reinterpret_cast<WindowQuery *>(context);
    if (window_matches(window, q))
        ++q->count;
    return TRUE;
}

static BOOL CALLBACK count_top_and_children(HWND window, LPARAM context) {
    count_any(window, context);
    EnumChildWindows(window, count_any, context);
    return TRUE;
}

// Wine shows each tray icon as a window of this class (a child of its
// stand-alone tray window when there is no system tray on the X side).
static int count_tray_icons(void) {
    WindowQuery q = {0, "__winex11_tray_icon", nullptr, 0, nullptr, 0};
    EnumWindows(count_top_and_children, reinterpret_cast<LPARAM>(&q));
    return q.count;
}

static HWND wait_for_top(DWORD process, const char *klass, const char *title, int item,
                         HANDLE alive, double timeout_ms) {
    double end = bench_now_ms() + timeout_ms;
    for (;;) {
        HWND found = find_top(process, klass, title, item);
        if (found)
            return found;
        if (alive && WaitForSingleObject(alive, 0) == WAIT_OBJECT_0)
            return nullptr;
        if (bench_now_ms() > end)
            return nullptr;
        pump_for(5);
    }
}

static int wait_gone(HWND window, double timeout_ms) {
    double end = bench_now_ms() + timeout_ms;
    while (IsWindow(window)) {
        if (bench_now_ms() > end)
            return 0;
        pump_for(2);
    }
    return 1;
}

static BOOL CALLBACK list_window(HWND window, LPARAM process) {
    DWORD owner = 0;
    GetWindowThreadProcessId(window, &owner);
    if (owner != static_cast<DWORD>(process))
        return TRUE;
    char klass[64], title[128];
    GetClassNameA(window, klass, sizeof klass);
    GetWindowTextA(window, title, sizeof title);
    printf("#   window %p class \"%s\" title \"%s\"%s\n", static_cast<void *>(window), klass, title,
           IsWindowVisible(window) ? " visible" : "");
    return TRUE;
}

// What the program shows, for the report of a fault.
static void list_windows(DWORD process) {
    EnumWindows(list_window, static_cast<LPARAM>(process));
}

// A message box of the process: a dialog with the static 0xFFFF.
static int report_message_box(DWORD process) {
    HWND box = find_top(process, "#32770", nullptr, 0xFFFF);
    if (!box)
        return 0;
    char text[256];
    GetDlgItemTextA(box, 0xFFFF, text, sizeof text);
    printf("# message box of the program: \"%s\"\n", text);
    return 1;
}

// ---- chat page ----

struct PageQuery {
    HWND frame;
    HWND page;
};

static BOOL CALLBACK find_page_child(HWND window, LPARAM context) {
    PageQuery *q = reinterpret_cast<PageQuery *>(context);
    char name[256];
    if (GetClassNameA(window, name, sizeof name) && lstrcmpiA(name, page_class) == 0) {
        q->page = window;
        return FALSE;
    }
    return TRUE;
}

static BOOL CALLBACK find_chat_frame(HWND window, LPARAM context) {
    PageQuery *q = reinterpret_cast<PageQuery *>(context);
    char name[256], title[256];
    if (!GetClassNameA(window, name, sizeof name) || lstrcmpiA(name, frame_class) != 0)
        return TRUE;
    GetWindowTextA(window, title, sizeof title);
    if (strncmp(title, chat_title, strlen(chat_title)) != 0)
        return TRUE;
    q->frame = window;
    EnumChildWindows(window, find_page_child, context);
    return q->page ? FALSE : TRUE;
}

static HWND find_chat_page(void) {
    PageQuery q = {nullptr, nullptr};
    EnumWindows(find_chat_frame, reinterpret_cast<LPARAM>(&q));
    return q.page;
}

static PROCESS_INFORMATION sink_process;

static HWND ensure_chat_page(void) {
    HWND page = find_chat_page();
    if (page || !sink_command)
        return page;
    char command[1024];
    lstrcpynA(command, sink_command, sizeof command);
    STARTUPINFOA si = {};
    si.cb = sizeof si;
    if (!CreateProcessA(nullptr, command, nullptr, nullptr, FALSE, 0, nullptr, nullptr, &si,
                        &sink_process)) {
        fault("the chat window could not be started");
        return nullptr;
    }
    double end = bench_now_ms() + 120000;
    while (!(page = find_chat_page()) && bench_now_ms() < end) pump_for(20);
    if (!page)
        fault("no chat page window appeared");
    return page;
}

static void stop_sink(void) {
    if (!sink_process.hProcess)
        return;
    PageQuery q = {nullptr, nullptr};
    EnumWindows(find_chat_frame, reinterpret_cast<LPARAM>(&q));
    if (q.frame)
        PostMessageA(q.frame, WM_CLOSE, 0, 0);
    if (WaitForSingleObject(sink_process.hProcess, 10000) != WAIT_OBJECT_0)
        TerminateProcess(sink_process.hProcess, 1);
    CloseHandle(sink_process.hProcess);
    CloseHandle(sink_process.hThread);
}

// ---- programs under measurement ----

struct Program {
    PROCESS_INFORMATION pi;
    HWND main;
    DWORD thread;
    int yarrowmeld;
};

static void directory_of(const char *path, char *out, size_t size) {
    lstrcpynA(out, path, static_cast<int>(size));
    char *cut = strrchr(out, '\\');
    if (cut)
        *cut = 0;
}

static int write_file(const char *path, const char *text) {
    HANDLE file =
        CreateFileA(path, GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE)
        return 0;
    DWORD wrote = 0;
    WriteFile(file, text, lstrlenA(text), &wrote, nullptr);
    CloseHandle(file);
    return wrote == static_cast<DWORD>(lstrlenA(text));
}

// The INI file beside the exe, and a Readme.txt in its folder (the folder
// the program is started in) so that the readme viewer can be opened.
static void prepare_yarrowmeld(const char *post_text) {
    char dir[MAX_PATH], path[MAX_PATH + 32], ini[512];
    directory_of(yarrowmeld_exe, dir, sizeof dir);
    wsprintfA(ini, "[Setting]\r\nUpdate=10\r\nNewLine=240\r\nTitle=\"%s\"\r\nCharcter=\"%s\"\r\n",
              chat_title, post_text);
    wsprintfA(path, "%s\\Yarrowmeld.ini", dir);
    if (!write_file(path, ini))
        fault("cannot write Yarrowmeld.ini");
    wsprintfA(path, "%s\\Readme.txt", dir);
    if (!write_file(path, "Yarrowmeld bench run.\r\n"))
        fault("cannot write Readme.txt");
}

static int launch(const char *exe, PROCESS_INFORMATION *pi) {
    char dir[MAX_PATH], command[MAX_PATH + 8];
    directory_of(exe, dir, sizeof dir);
    wsprintfA(command, "\"%s\"", exe);
    STARTUPINFOA si = {};
    si.cb = sizeof si;
    if (!CreateProcessA(nullptr, command, nullptr, nullptr, FALSE, 0, nullptr, dir, &si, pi)) {
        fault("CreateProcess failed");
        return 0;
    }
    return 1;
}

static HWND settings_dialog_of(const Program *p) {
    return find_top(p->pi.dwProcessId, "#32770", nullptr, IDC_TITLE);
}

// The settings dialog that opens at start-up, once start-up is over. The
// window can be found while its initialisation still runs; a close sent
// then is handled inside that initialisation, from a nested wait, and the
// program is left with a dialog handle that no longer exists. So wait until
// the dialog shows and the program waits for input in its message loop.
static HWND wait_for_settings(const Program *p) {
    double end = bench_now_ms() + 120000;
    HWND dialog;
    while (!(dialog = find_top(p->pi.dwProcessId, "#32770", nullptr, IDC_TITLE)) ||
           !IsWindowVisible(dialog)) {
        if (WaitForSingleObject(p->pi.hProcess, 0) == WAIT_OBJECT_0 || bench_now_ms() > end)
            return nullptr;
        pump_for(5);
    }
    WaitForInputIdle(p->pi.hProcess, 30000);
    pump_for(50);
    return dialog;
}

// Starts a program; Yarrowmeld's settings dialog, which opens at start-up,
// is closed unless keep_settings is set.
static int start_program(Program *p, int yarrowmeld, int keep_settings) {
    *p = Program{};
    p->yarrowmeld = yarrowmeld;
    if (!launch(yarrowmeld ? yarrowmeld_exe : bare_exe, &p->pi))
        return 0;
    const char *name = yarrowmeld ? "Yarrowmeld" : BARE_TRAY_NAME;
    p->main = wait_for_top(p->pi.dwProcessId, name, name, 0, p->pi.hProcess, 120000);
    if (!p->main) {
        fault("the program's main window did not appear");
        return 0;
    }
    p->thread = GetWindowThreadProcessId(p->main, nullptr);
    if (yarrowmeld) {
        HWND dialog = wait_for_settings(p);
        if (!dialog) {
            fault("the settings dialog did not open at start-up");
            return 0;
        }
        if (!keep_settings) {
            DWORD_PTR result;
            SendMessageTimeoutA(dialog, WM_CLOSE, 0, 0, SMTO_NORMAL, 30000, &result);
            if (!wait_gone(dialog, 30000))
                fault("the settings dialog did not close");
        }
    }
    return 1;
}

static void end_program(Program *p) {
    if (!p->pi.hProcess)
        return;
    if (p->yarrowmeld)
        PostMessageA(p->main, WM_COMMAND, IDM_EXIT, 0);
    else
        PostMessageA(p->main, WM_CLOSE, 0, 0);
    if (WaitForSingleObject(p->pi.hProcess, 30000) != WAIT_OBJECT_0) {
        fault("the program did not end; terminated");
        TerminateProcess(p->pi.hProcess, 1);
        WaitForSingleObject(p->pi.hProcess, 10000);
    }
    CloseHandle(p->pi.hProcess);
    CloseHandle(p->pi.hThread);
    p->pi = PROCESS_INFORMATION{};
}

static int send_command(const Program *p, int id) {
    DWORD_PTR result;
    if (SendMessageTimeoutA(p->main, WM_COMMAND, id, 0, SMTO_NORMAL, 30000, &result))
        return 1;
    fault("a command was not answered in 30 s");
    return 0;
}

// ---- figure 1: start-up ----

// From CreateProcess until the program's tray icon stands.
static double time_startup(int yarrowmeld) {
    int before = count_tray_icons();
    Program p = {};
    p.yarrowmeld = yarrowmeld;
    double t0 = bench_now_ms();
    if (!launch(yarrowmeld ? yarrowmeld_exe : bare_exe, &p.pi))
        return -1;
    double took = -1;
    for (;;) {
        if (count_tray_icons() > before) {
            took = bench_now_ms() - t0;
            break;
        }
        if (WaitForSingleObject(p.pi.hProcess, 0) == WAIT_OBJECT_0) {
            fault("the program ended before its tray icon appeared");
            break;
        }
        if (bench_now_ms() - t0 > 120000) {
            fault("no tray icon within 120 s");
            break;
        }
        pump_for(1);
    }
    const char *name = yarrowmeld ? "Yarrowmeld" : BARE_TRAY_NAME;
    p.main = wait_for_top(p.pi.dwProcessId, name, name, 0, p.pi.hProcess, 60000);
    if (yarrowmeld && p.main) {
        HWND dialog = wait_for_settings(&p);
        DWORD_PTR result;
        if (dialog)
            SendMessageTimeoutA(dialog, WM_CLOSE, 0, 0, SMTO_NORMAL, 30000, &result);
    }
    if (p.main)
        end_program(&p);
    else
        TerminateProcess(p.pi.hProcess, 1);
    double end = bench_now_ms() + 30000;
    while (count_tray_icons() > before && bench_now_ms() < end) pump_for(5);
    return took;
}

static void figure_startup(int runs) {
    prepare_yarrowmeld(".");
    // One start of each first: the first start after a build reads the exe
    // from disk.
    time_startup(1);
    time_startup(0);
    double *ours = static_cast<double *>(calloc(static_cast<size_t>(runs), sizeof(double)));
    double *base = static_cast<double *>(calloc(static_cast<size_t>(runs), sizeof(double)));
    for (int i = 0; i < runs; ++i) {
        for (int side = 0; side < 2; ++side) {
            if ((side ^ (i & 1)) == 0)
                ours[i] = time_startup(1);
            else
                base[i] = time_startup(0);
        }
        printf("# start-up run %d: Yarrowmeld %.1f ms, bare %.1f ms\n", i + 1, ours[i], base[i]);
    }
    bench_ratio_result("startup", "start-up: process start to tray icon", bench_median(ours, runs),
                       bench_median(base, runs), "ms", 1.3);
    free(ours);
    free(base);
}

// ---- figure 2: memory ----

struct Memory {
    double private_kib;
    double working_set_kib;
};

static Memory read_memory(HANDLE process) {
    PROCESS_MEMORY_COUNTERS_EX counters = {};
    counters.cb = sizeof counters;
    Memory m = {0, 0};
    if (!GetProcessMemoryInfo(process, reinterpret_cast<PROCESS_MEMORY_COUNTERS *>(&counters),
                              sizeof counters)) {
        fault("GetProcessMemoryInfo failed");
        return m;
    }
    // Wine reports PrivateUsage as 0; PagefileUsage is the private
    // committed memory there.
    SIZE_T private_bytes = counters.PrivateUsage ? counters.PrivateUsage : counters.PagefileUsage;
    m.private_kib = static_cast<double>(private_bytes) / 1024.0;
    m.working_set_kib = static_cast<double>(counters.WorkingSetSize) / 1024.0;
    return m;
}

// The posts of the memory figure are one byte and Enter each (6 messages):
// what a post allocates does not depend on the length of its text, and a
// thousand posts of 126 bytes take the better part of an hour under
// emulated Wine. The bare program sends the same number of messages.
#define MEMORY_POST_TEXT "."
#define MEMORY_POST_LENGTH 1

// Modules of a process, as the probe lists them from inside.
struct Modules {
    int count;
    char names[PROBE_MAX_MODULES][32];
    DWORD sizes[PROBE_MAX_MODULES];
};

static void print_extra_modules(const Modules *ours, const Modules *base) {
    printf("# modules after the posts: Yarrowmeld %d, bare %d; only in Yarrowmeld:", ours->count,
           base->count);
    DWORD total = 0;
    for (int i = 0; i < ours->count; ++i) {
        int shared = 0;
        for (int j = 0; j < base->count && !shared; ++j)
            shared = strcmp(ours->names[i], base->names[j]) == 0;
        if (shared)
            continue;
        printf(" %s (%lu KiB)", ours->names[i], ours->sizes[i] / 1024);
        total += ours->sizes[i];
    }
    printf("; %lu KiB of images in all\n", total / 1024);
}

struct MemoryRun {
    Memory started;
    Memory posted;
    Memory with_settings;
    Modules modules;
    double post_ms;
    int ok;
};

static void probe_modules(const Program *p, Modules *m);

static MemoryRun measure_memory(int yarrowmeld, int posts, HWND page) {
    MemoryRun r = {};
    Program p;
    if (!start_program(&p, yarrowmeld, 1)) {
        end_program(&p);
        return r;
    }
    if (yarrowmeld) {
        pump_for(1000);
        r.with_settings = read_memory(p.pi.hProcess);
        HWND dialog = settings_dialog_of(&p);
        DWORD_PTR result;
        if (dialog)
            SendMessageTimeoutA(dialog, WM_CLOSE, 0, 0, SMTO_NORMAL, 30000, &result);
        if (dialog && !wait_gone(dialog, 30000))
            fault("the settings dialog did not close");
    }
    pump_for(1000);
    r.started = read_memory(p.pi.hProcess);
    double *times = static_cast<double *>(calloc(static_cast<size_t>(posts), sizeof(double)));
    HWND frame = GetAncestor(page, GA_ROOT);
    long posts_before = bench_posts_seen(frame, page);
    r.ok = 1;
    for (int i = 0; i < posts && r.ok; ++i) {
        DWORD_PTR result;
        double t0 = bench_now_ms();
        BOOL answered =
            yarrowmeld
                ? SendMessageTimeoutA(p.main, WM_TIMER, IDT_POST, 0, SMTO_NORMAL, 60000, &result)
                : SendMessageTimeoutA(p.main, BARE_POST, MEMORY_POST_LENGTH,
                                      reinterpret_cast<LPARAM>(page), SMTO_NORMAL, 60000, &result);
        times[i] = bench_now_ms() - t0;
        if (!answered) {
            fault("a post was not answered in 60 s");
            r.ok = 0;
        }
    }
    if (report_message_box(p.pi.dwProcessId)) {
        fault("the program showed a message box during the posts");
        r.ok = 0;
    }
    long posts_after = bench_posts_seen(frame, page);
    if (posts_before >= 0 && r.ok && posts_after - posts_before != posts) {
        printf("# the page showed %ld posts, %d expected\n", posts_after - posts_before, posts);
        fault("posts did not arrive");
        r.ok = 0;
    }
    // The post guard of the last post expires after 500 ms.
    pump_for(1000);
    r.posted = read_memory(p.pi.hProcess);
    r.post_ms = bench_median(times, posts);
    free(times);
    // The module list comes last: the probe that reads it is a module too.
    if (probe_dll)
        probe_modules(&p, &r.modules);
    end_program(&p);
    return r;
}

static void figure_memory(int posts) {
    HWND page = ensure_chat_page();
    if (!page)
        return;
    prepare_yarrowmeld(MEMORY_POST_TEXT);
    static MemoryRun ours, base;
    ours = measure_memory(1, posts, page);
    base = measure_memory(0, posts, page);
    if (!ours.ok || !base.ok)
        return;
    print_extra_modules(&ours.modules, &base.modules);
    bench_ratio_result("mem_private_start", "memory: private bytes after start-up",
                       ours.started.private_kib, base.started.private_kib, "KiB", 1.3);
    bench_ratio_result("mem_ws_start", "memory: working set after start-up",
                       ours.started.working_set_kib, base.started.working_set_kib, "KiB", 1.3);
    char label[96];
    wsprintfA(label, "memory: private bytes after %d posts", posts);
    bench_ratio_result("mem_private_posts", label, ours.posted.private_kib, base.posted.private_kib,
                       "KiB", 1.3);
    wsprintfA(label, "memory: working set after %d posts", posts);
    bench_ratio_result("mem_ws_posts", label, ours.posted.working_set_kib,
                       base.posted.working_set_kib, "KiB", 1.3);
    double grow_private = ours.posted.private_kib - ours.started.private_kib;
    double grow_ws = ours.posted.working_set_kib - ours.started.working_set_kib;
    wsprintfA(label, "memory: private bytes growth over %d posts", posts);
    bench_result("mem_private_growth", label, grow_private,
                 base.posted.private_kib - base.started.private_kib, "KiB", "<= 64 KiB",
                 grow_private <= 64 ? "met" : "MISSED");
    wsprintfA(label, "memory: working set growth over %d posts", posts);
    bench_result("mem_ws_growth", label, grow_ws,
                 base.posted.working_set_kib - base.started.working_set_kib, "KiB", "<= 64 KiB",
                 grow_ws <= 64 ? "met" : "MISSED");
    bench_result("mem_private_settings", "memory: private bytes with the settings dialog open",
                 ours.with_settings.private_kib, base.started.private_kib, "KiB", "-", "-");
    bench_result("send_e2e",
                 "sending: one 1-byte post through the running program (a WM_TIMER sent to it)",
                 ours.post_ms, base.post_ms, "ms", "-", "-");
}

// ---- the probe inside a program ----

static ProbeShared *probe;
static HANDLE probe_done;
static UINT probe_message;
static HHOOK probe_hook;
static LONG probe_sequence;

static int probe_attach(const Program *p) {
    if (!probe) {
        HANDLE mapping = CreateFileMappingA(INVALID_HANDLE_VALUE, nullptr, PAGE_READWRITE, 0,
                                            sizeof(ProbeShared), PROBE_MAPPING_NAME);
        probe = static_cast<ProbeShared *>(MapViewOfFile(mapping, FILE_MAP_WRITE, 0, 0, 0));
        probe_done = CreateEventA(nullptr, FALSE, FALSE, PROBE_DONE_EVENT_NAME);
        probe_message = RegisterWindowMessageA(PROBE_MESSAGE_NAME);
    }
    if (!probe || !probe_done || !probe_message) {
        fault("no shared memory for the probe");
        return 0;
    }
    memset(probe, 0, sizeof *probe);
    probe->process_id = static_cast<LONG>(p->pi.dwProcessId);
    HMODULE module = LoadLibraryA(probe_dll);
    FARPROC hook = module ? GetProcAddress(module, "probe_hook") : nullptr;
    if (!hook && module)
        hook = GetProcAddress(module, "probe_hook@12");
    if (!hook) {
        fault("bench_probe.dll not loaded");
        return 0;
    }
    probe_hook = SetWindowsHookExA(
        WH_GETMESSAGE, reinterpret_cast<HOOKPROC>(reinterpret_cast<void (*)(void)>(hook)), module,
        p->thread);
    if (!probe_hook) {
        fault("SetWindowsHookEx failed");
        return 0;
    }
    return 1;
}

static void probe_detach(void) {
    if (probe_hook)
        UnhookWindowsHookEx(probe_hook);
    probe_hook = nullptr;
}

static int probe_request(const Program *p, int request) {
    LONG sequence = ++probe_sequence;
    ResetEvent(probe_done);
    PostThreadMessageA(p->thread, probe_message, static_cast<WPARAM>(request), sequence);
    double end = bench_now_ms() + 60000;
    while (probe->done_sequence != sequence) {
        if (bench_now_ms() > end) {
            fault("the probe did not answer");
            return 0;
        }
        DWORD left = static_cast<DWORD>(end - bench_now_ms());
        MsgWaitForMultipleObjects(1, &probe_done, FALSE, left, QS_ALLINPUT);
        MSG msg;
        while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) DispatchMessageA(&msg);
    }
    return 1;
}

static void probe_modules(const Program *p, Modules *m) {
    m->count = 0;
    if (probe_attach(p) && probe_request(p, PROBE_PING) && probe_request(p, PROBE_MODULES)) {
        for (LONG i = 0; i < probe->module_count; ++i) {
            if (strcmp(probe->module_name[i], "bench_probe.dll") == 0)
                continue;
            lstrcpyA(m->names[m->count], probe->module_name[i]);
            m->sizes[m->count++] = probe->module_size[i];
        }
    }
    probe_detach();
}

// Kernel handles of a process, from the system's handle list (Wine reports
// 0 for GetProcessHandleCount).
static long count_kernel_handles(DWORD process) {
    typedef LONG(WINAPI * QuerySystem)(ULONG, PVOID, ULONG, PULONG);
    QuerySystem query = reinterpret_cast<QuerySystem>(reinterpret_cast<void (*)(void)>(
        GetProcAddress(GetModuleHandleA("ntdll.dll"), "NtQuerySystemInformation")));
    if (!query)
        return -1;
    struct Entry {
        ULONG owner;
        BYTE type;
        BYTE flags;
        USHORT value;
        PVOID object;
        ULONG access;
    };
    ULONG size = 1 << 16;
    for (int attempt = 0; attempt < 8; ++attempt, size *= 2) {
        BYTE *buffer = static_cast<BYTE *>(malloc(size));
        ULONG needed = 0;
        LONG status = query(16 /* SystemHandleInformation */, buffer, size, &needed);
        if (status == 0) {
            ULONG n = *reinterpret_cast<ULONG *>(buffer);
            const Entry *entries = reinterpret_cast<const Entry *>(buffer + sizeof(ULONG_PTR));
            long count = 0;
            for (ULONG i = 0; i < n; ++i)
                if (entries[i].owner == process)
                    ++count;
            free(buffer);
            return count;
        }
        free(buffer);
        if (status != static_cast<LONG>(0xC0000004))
            return -1;  // not a too-small buffer
    }
    return -1;
}

struct Objects {
    ProbeObjects in;
    long kernel_handles;
};

static int count_objects(const Program *p, Objects *out) {
    if (!probe_request(p, PROBE_COUNT))
        return 0;
    out->in = probe->objects;
    out->kernel_handles = count_kernel_handles(p->pi.dwProcessId);
    return 1;
}

// ---- figure 6: leaks ----

static int open_and_find(const Program *p, int command, const char *title, int item, HWND *found) {
    if (!send_command(p, command))
        return 0;
    *found = find_top(p->pi.dwProcessId, "#32770", title, item);
    if (!*found) {
        char what[64];
        wsprintfA(what, "command %d opened no window", command);
        fault(what);
        list_windows(p->pi.dwProcessId);
        return 0;
    }
    return 1;
}

static int close_window(HWND window) {
    DWORD_PTR result;
    SendMessageTimeoutA(window, WM_CLOSE, 0, 0, SMTO_NORMAL, 30000, &result);
    if (wait_gone(window, 30000))
        return 1;
    fault("a window did not close");
    return 0;
}

// Time spent in each kind of switch, for the report.
enum { SW_START, SW_STATUS, SW_STOP, SW_ABOUT, SW_README, SW_SETTINGS, SW_KINDS };
static const char *const switch_names[SW_KINDS] = {"start", "status on/off", "stop",
                                                   "about", "readme",        "settings"};
static double switch_ms[SW_KINDS];
static double switch_kib[SW_KINDS];  // growth of private bytes in each kind
static double switch_mark, switch_mark_kib;
static HANDLE switch_process;

static void switch_done(int kind) {
    double now = bench_now_ms();
    double kib = read_memory(switch_process).private_kib;
    switch_ms[kind] += now - switch_mark;
    switch_kib[kind] += kib - switch_mark_kib;
    switch_mark = bench_now_ms();
    switch_mark_kib = kib;
}

// One round of switches: start, status window on and off, stop, and each
// dialog opened and closed. Returns the switches made, 0 after a fault.
static int switch_round(const Program *p) {
    HWND window;
    int made = 0;
    switch_process = p->pi.hProcess;
    switch_mark_kib = read_memory(switch_process).private_kib;
    switch_mark = bench_now_ms();
    if (!send_command(p, IDM_START))
        return 0;
    ++made;
    switch_done(SW_START);
    if (report_message_box(p->pi.dwProcessId)) {
        fault("starting showed a message box");
        return 0;
    }
    if (!open_and_find(p, IDM_STATUS, nullptr, IDC_STATUS_TITLE, &window))
        return 0;
    ++made;
    if (!send_command(p, IDM_STATUS) || IsWindow(window)) {
        fault("the status window did not close");
        return 0;
    }
    ++made;
    switch_done(SW_STATUS);
    if (!send_command(p, IDM_STOP))
        return 0;
    ++made;
    switch_done(SW_STOP);
    if (!open_and_find(p, IDM_ABOUT, nullptr, IDC_ABOUT_ICON, &window))
        return 0;
    ++made;
    if (!close_window(window))
        return 0;
    ++made;
    switch_done(SW_ABOUT);
    if (!open_and_find(p, IDM_README, "Yarrowmeld - Readme.txt", 0, &window))
        return 0;
    ++made;
    if (!close_window(window))
        return 0;
    ++made;
    switch_done(SW_README);
    if (!open_and_find(p, IDM_SETTINGS, nullptr, IDC_TITLE, &window))
        return 0;
    ++made;
    if (!close_window(window))
        return 0;
    ++made;
    switch_done(SW_SETTINGS);
    return made;
}

static void print_objects(const char *when, const Objects *o) {
    printf(
        "# %s: windows %ld, menus %ld, icons %ld, accelerator tables %ld, GDI %ld"
        " (bitmaps %ld, brushes %ld, fonts %ld, DCs %ld), kernel handles %ld\n",
        when, o->in.windows, o->in.menus, o->in.icons, o->in.accelerators, o->in.gdi_objects,
        o->in.gdi_by_type[5], o->in.gdi_by_type[16], o->in.gdi_by_type[10], o->in.gdi_by_type[1],
        o->kernel_handles);
}

static void leak_result(const char *key, const char *what, double after, double before,
                        int switches) {
    char label[96];
    wsprintfA(label, "leaks: %s after %d switches (baseline: after start-up)", what, switches);
    bench_result(key, label, after, before, "", "no growth", after <= before ? "met" : "MISSED");
}

static void figure_leaks(int switches) {
    HWND page = ensure_chat_page();
    if (!page)
        return;
    prepare_yarrowmeld(".");

    // The bare program's counts, for scale, and what loading and unloading
    // the rich-edit library once per round costs it: a round opens and
    // closes the readme viewer, which does that.
    int rounds = (switches + 9) / 10;
    Program bare;
    Objects bare_objects = {};
    double bare_growth = -1;
    if (start_program(&bare, 0, 0) && probe_attach(&bare) && probe_request(&bare, PROBE_PING) &&
        count_objects(&bare, &bare_objects)) {
        print_objects("bare tray program after start-up", &bare_objects);
        DWORD_PTR result;
        // One cycle first, as the program gets a round before counting.
        SendMessageTimeoutA(bare.main, BARE_RICHEDIT, 1, 0, SMTO_NORMAL, 60000, &result);
        double bare_before = read_memory(bare.pi.hProcess).private_kib;
        if (SendMessageTimeoutA(bare.main, BARE_RICHEDIT, static_cast<WPARAM>(rounds), 0,
                                SMTO_NORMAL, 600000, &result)) {
            bare_growth = read_memory(bare.pi.hProcess).private_kib - bare_before;
            printf(
                "# bare tray program: %.0f KiB more private bytes after loading RICHED32.DLL,"
                " making a rich-edit window and unloading it %d times\n",
                bare_growth, rounds);
        }
    }
    probe_detach();
    end_program(&bare);

    Program p;
    if (!start_program(&p, 1, 0)) {
        end_program(&p);
        return;
    }
    pump_for(500);
    Objects before = {}, after = {};
    if (!probe_attach(&p) || !probe_request(&p, PROBE_PING) ||
        // One round first: the first opening of each dialog loads what
        // the system keeps for the rest of the process (riched32, the
        // dialog classes, cached fonts); growth is counted from there.
        !switch_round(&p) || !count_objects(&p, &before)) {
        probe_detach();
        end_program(&p);
        return;
    }
    print_objects("Yarrowmeld after start-up and one round of switches", &before);
    Memory memory_before = read_memory(p.pi.hProcess);
    int made = 0;
    double t0 = bench_now_ms();
    while (made < switches) {
        int round = switch_round(&p);
        if (!round)
            break;
        made += round;
    }
    double took = bench_now_ms() - t0;
    int all_rounds = made / 10 + 1;  // the first round included
    printf("# time per round of switches (ms):");
    for (int k = 0; k < SW_KINDS; ++k)
        printf(" %s %.0f", switch_names[k], switch_ms[k] / all_rounds);
    printf("\n# private bytes gained in each kind of switch over all %d rounds (KiB):", all_rounds);
    for (int k = 0; k < SW_KINDS; ++k) printf(" %s %.0f", switch_names[k], switch_kib[k]);
    printf("\n");
    if (made >= switches && count_objects(&p, &after)) {
        char when[96];
        wsprintfA(when, "Yarrowmeld after %d more switches (%d s)", made,
                  static_cast<int>(took / 1000));
        print_objects(when, &after);
        if (!before.in.gdi_table_found)
            printf("# GDI objects: Wine's handle table was not found; no GDI count\n");
        leak_result("leak_windows", "windows", after.in.windows, before.in.windows, made);
        leak_result("leak_menus", "menus", after.in.menus, before.in.menus, made);
        leak_result("leak_icons", "icons and cursors", after.in.icons, before.in.icons, made);
        leak_result("leak_accel", "accelerator tables", after.in.accelerators,
                    before.in.accelerators, made);
        if (before.in.gdi_table_found)
            leak_result("leak_gdi", "GDI objects", after.in.gdi_objects, before.in.gdi_objects,
                        made);
        if (before.kernel_handles >= 0)
            leak_result("leak_handles", "kernel handles", after.kernel_handles,
                        before.kernel_handles, made);
        Memory m = read_memory(p.pi.hProcess);
        char label[128];
        double growth = m.private_kib - memory_before.private_kib;
        wsprintfA(label,
                  "leaks: private bytes gained over %d switches (baseline: bare program, "
                  "%d rich-edit loads)",
                  made, rounds);
        bench_result("leak_private", label, growth, bare_growth, "KiB", "<= 64 KiB",
                     growth <= 64 ? "met" : "MISSED");
    }
    probe_detach();
    end_program(&p);
}

// ---- figure 7: idle cost ----

struct IdleWindow {
    double seconds;
    double messages;
    double voluntary;
    LONG timer_by_id[PROBE_MAX_TIMER_ID];
    char timer_class[PROBE_MAX_TIMER_ID][32];
    LONG other;  // messages other than WM_TIMER
    LONG kind_message[PROBE_MAX_KINDS];
    LONG kind_count[PROBE_MAX_KINDS];
};

static int watch_idle(const Program *p, double seconds, IdleWindow *w) {
    if (!probe_request(p, PROBE_RESET_MESSAGES) || !probe_request(p, PROBE_SWITCHES))
        return 0;
    LONG v0 = probe->objects.voluntary_switches;
    double t0 = bench_now_ms();
    pump_for(seconds * 1000);
    if (!probe_request(p, PROBE_SWITCHES))
        return 0;
    w->seconds = (bench_now_ms() - t0) / 1000;
    w->voluntary = probe->objects.switches_found ? probe->objects.voluntary_switches - v0 : -1;
    w->messages = probe->messages;
    w->other = probe->messages;
    for (int i = 0; i < PROBE_MAX_TIMER_ID; ++i) {
        w->timer_by_id[i] = probe->timer_by_id[i];
        HWND window = reinterpret_cast<HWND>(static_cast<LONG_PTR>(probe->timer_window[i]));
        if (!window || !GetClassNameA(window, w->timer_class[i], sizeof w->timer_class[i]))
            lstrcpyA(w->timer_class[i], window ? "gone" : "none");
        w->other -= probe->timer_by_id[i];
    }
    for (int i = 0; i < PROBE_MAX_KINDS; ++i) {
        w->kind_message[i] = probe->kind_message[i];
        w->kind_count[i] = probe->kind_count[i];
    }
    return 1;
}

static void print_idle(const char *who, const IdleWindow *w) {
    printf("# %s: %.0f messages in %.1f s", who, w->messages, w->seconds);
    for (int i = 0; i < PROBE_MAX_TIMER_ID; ++i) {
        if (!w->timer_by_id[i])
            continue;
        printf(", WM_TIMER %d (window %s): %ld", i, w->timer_class[i], w->timer_by_id[i]);
    }
    for (int i = 0; i < PROBE_MAX_KINDS; ++i)
        if (w->kind_count[i])
            printf(", message 0x%04lX: %ld", w->kind_message[i], w->kind_count[i]);
    printf("; %.0f voluntary context switches of the thread\n", w->voluntary);
}

// Nothing beyond the program's own timers: no message but WM_TIMER of its
// ids, and none more often than its period allows.
static int only_own_timers(const IdleWindow *w, int running) {
    if (w->other)
        return 0;
    struct {
        int id;
        double period_s;
    } allowed[] = {{IDT_TICK, 1}, {IDT_UPDATE, 10}, {IDT_POST, 240}, {IDT_POST_GUARD, 240}};
    for (int i = 0; i < PROBE_MAX_TIMER_ID; ++i) {
        if (!w->timer_by_id[i])
            continue;
        double most = -1;
        for (const auto &a : allowed)
            if (a.id == i && (running || a.id == IDT_TICK))
                most = w->seconds / a.period_s + 1;
        if (w->timer_by_id[i] > most)
            return 0;
    }
    return 1;
}

static void figure_idle(int seconds) {
    HWND page = ensure_chat_page();
    if (!page)
        return;
    prepare_yarrowmeld(".");
    IdleWindow bare_idle = {}, stopped = {}, running = {};

    Program bare;
    int bare_ok = start_program(&bare, 0, 0);
    pump_for(1500);
    bare_ok = bare_ok && probe_attach(&bare) && probe_request(&bare, PROBE_PING) &&
              watch_idle(&bare, seconds, &bare_idle);
    probe_detach();
    end_program(&bare);

    Program p;
    int ok = start_program(&p, 1, 0);
    pump_for(1500);
    ok = ok && probe_attach(&p) && probe_request(&p, PROBE_PING) &&
         watch_idle(&p, seconds, &stopped);
    ok = ok && send_command(&p, IDM_START);
    if (ok && report_message_box(p.pi.dwProcessId)) {
        fault("starting showed a message box");
        ok = 0;
    }
    pump_for(1500);
    ok = ok && watch_idle(&p, seconds, &running);
    if (ok)
        send_command(&p, IDM_STOP);
    probe_detach();
    end_program(&p);
    if (!ok || !bare_ok)
        return;

    print_idle("bare tray program", &bare_idle);
    print_idle("Yarrowmeld stopped, no dialog", &stopped);
    print_idle("Yarrowmeld running", &running);
    bench_result("idle_stopped", "idle: wake-ups/s (messages taken), stopped, no dialog",
                 stopped.messages / stopped.seconds, bare_idle.messages / bare_idle.seconds, "/s",
                 "own timers only", only_own_timers(&stopped, 0) ? "met" : "MISSED");
    bench_result("idle_running", "idle: wake-ups/s (messages taken), running",
                 running.messages / running.seconds, bare_idle.messages / bare_idle.seconds, "/s",
                 "own timers only", only_own_timers(&running, 1) ? "met" : "MISSED");
    if (stopped.voluntary >= 0 && bare_idle.voluntary >= 0) {
        bench_result("idle_switches_stopped",
                     "idle: thread context switches/s, stopped (Linux, wineserver calls included)",
                     stopped.voluntary / stopped.seconds, bare_idle.voluntary / bare_idle.seconds,
                     "/s", "-", "-");
        bench_result("idle_switches_running",
                     "idle: thread context switches/s, running (Linux, wineserver calls included)",
                     running.voluntary / running.seconds, bare_idle.voluntary / bare_idle.seconds,
                     "/s", "-", "-");
    }
}

// ---- main ----

static HWND hold_tray_icon(void) {
    // Wine's explorer stalls for a while when the last tray icon goes away;
    // the driver keeps one of its own for the whole run.
    WNDCLASSA wc = {};
    wc.lpfnWndProc = DefWindowProcA;
    wc.hInstance = GetModuleHandleA(nullptr);
    wc.lpszClassName = "YarrowmeldBenchDriver";
    RegisterClassA(&wc);
    HWND window = CreateWindowExA(0, wc.lpszClassName, "", WS_POPUP, 0, 0, 0, 0, nullptr, nullptr,
                                  wc.hInstance, nullptr);
    NOTIFYICONDATAA icon = {};
    icon.cbSize = NOTIFYICONDATAA_V1_SIZE;
    icon.hWnd = window;
    icon.uID = 1;
    icon.uFlags = NIF_ICON | NIF_TIP;
    icon.hIcon = LoadIconA(nullptr, MAKEINTRESOURCEA(32512));
    lstrcpyA(icon.szTip, "bench driver");
    Shell_NotifyIconA(NIM_ADD, &icon);
    return window;
}

int main(int argc, char **argv) {
    // Unbuffered, so that the notes of a long run show as it goes.
    setvbuf(stdout, nullptr, _IONBF, 0);
    int i = 1;
    for (; i + 1 < argc && strncmp(argv[i], "--", 2) == 0; i += 2) {
        const char *name = argv[i], *value = argv[i + 1];
        if (!strcmp(name, "--yarrowmeld"))
            yarrowmeld_exe = value;
        else if (!strcmp(name, "--bare"))
            bare_exe = value;
        else if (!strcmp(name, "--probe"))
            probe_dll = value;
        else if (!strcmp(name, "--frame-class"))
            frame_class = value;
        else if (!strcmp(name, "--title"))
            chat_title = value;
        else if (!strcmp(name, "--page-class"))
            page_class = value;
        else if (!strcmp(name, "--sink"))
            sink_command = value;
    }
    if (!yarrowmeld_exe || !bare_exe || i >= argc) {
        printf(
            "usage: bench_driver --yarrowmeld EXE --bare EXE [--probe DLL] [--sink CMD]\n"
            "       [--frame-class C --title T --page-class P]\n"
            "       startup=RUNS memory=POSTS leaks=SWITCHES idle=SECONDS ...\n");
        return 2;
    }
    HWND tray = hold_tray_icon();
    pump_for(200);
    for (; i < argc; ++i) {
        const char *eq = strchr(argv[i], '=');
        int n = eq ? atoi(eq + 1) : 0;
        if (!strncmp(argv[i], "startup=", 8))
            figure_startup(n);
        else if (!strncmp(argv[i], "memory=", 7))
            figure_memory(n);
        else if (!strncmp(argv[i], "leaks=", 6))
            figure_leaks(n);
        else if (!strncmp(argv[i], "idle=", 5))
            figure_idle(n);
        else
            printf("# unknown figure %s\n", argv[i]);
    }
    stop_sink();
    NOTIFYICONDATAA icon = {};
    icon.cbSize = NOTIFYICONDATAA_V1_SIZE;
    icon.hWnd = tray;
    icon.uID = 1;
    Shell_NotifyIconA(NIM_DELETE, &icon);
    printf("# driver: %d fault(s)\n", faults);
    return faults ? 1 : 0;
}
