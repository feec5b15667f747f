// Times the program's own finder and send path, linked in from src/, against
// the least Win32 code that does the same job, in one process and run.
//
//   bench_calls finder <iterations> <decoys> [inproc]
//       find_target_window among <decoys> top-level windows, the matching
//       frame last in enumeration order, against EnumWindows with
//       GetClassNameA over the same windows. The decoys and the frame live
//       in a second process (bench_calls host), as a browser's and other
//       programs' windows do, unless "inproc" is given.
//   bench_calls send <iterations> <frame class> <title> <page class> [sink]
//       send_post with the 126-byte bench text into the page window of the
//       first frame of that class and title, against 381 bare SendMessageA
//       calls to the same window. When there is no such window, the sink
//       command (the chat simulator) is started, or else a stand-in page.
//   bench_calls host <decoys>
//       the window host: a chat frame with its page window, created first,
//       then the decoys; runs until the frame is closed.
#include <string.h>

#include "app/app_win.h"
#include "automation/finder_win.h"
#include "automation/run_control_win.h"
#include "bench_ids.h"
#include "bench_util.h"

extern int bench_fatal_reports;

static LONG page_posts;

static LRESULT CALLBACK page_proc(HWND window, UINT message, WPARAM wparam, LPARAM lparam) {
    switch (message) {
        case WM_CHAR:
            if (wparam == '\r')
                ++page_posts;
            return 0;
        case WM_KEYDOWN:
        case WM_KEYUP:
            return 0;
        case SINK_COUNT:
            return 1 + page_posts;
    }
    return DefWindowProcA(window, message, wparam, lparam);
}

static LRESULT CALLBACK frame_proc(HWND window, UINT message, WPARAM wparam, LPARAM lparam) {
    if (message == WM_CLOSE) {
        PostQuitMessage(0);
        return 0;
    }
    return DefWindowProcA(window, message, wparam, lparam);
}

static void register_class(const char *name, WNDPROC proc) {
    WNDCLASSA wc = {};
    wc.lpfnWndProc = proc;
    wc.hInstance = GetModuleHandleA(nullptr);
    wc.hbrBackground = static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH));
    wc.lpszClassName = name;
    RegisterClassA(&wc);
}

// The frame first: the system lists the newest top-level window first, so
// a search meets every decoy before it.
static HWND create_chat_windows(int decoys, HWND *page) {
    register_class(BENCH_FRAME_CLASS, frame_proc);
    register_class(BENCH_PAGE_CLASS, page_proc);
    register_class(BENCH_DECOY_CLASS, DefWindowProcA);
    HINSTANCE instance = GetModuleHandleA(nullptr);
    HWND frame =
        CreateWindowExA(0, BENCH_FRAME_CLASS, BENCH_CHAT_TITLE, WS_OVERLAPPEDWINDOW | WS_VISIBLE, 0,
                        0, 240, 160, nullptr, nullptr, instance, nullptr);
    *page = CreateWindowExA(0, BENCH_PAGE_CLASS, "", WS_CHILD | WS_VISIBLE, 0, 0, 200, 100, frame,
                            nullptr, instance, nullptr);
    for (int i = 0; i < decoys; ++i) {
        char title[32];
        wsprintfA(title, "Decoy %d", i);
        CreateWindowExA(0, BENCH_DECOY_CLASS, title, WS_POPUP, 0, 0, 10, 10, nullptr, nullptr,
                        instance, nullptr);
    }
    return frame;
}

static int run_host(int decoys) {
    HWND page;
    create_chat_windows(decoys, &page);
    HANDLE ready = CreateEventA(nullptr, TRUE, FALSE, BENCH_HOST_READY_EVENT);
    SetEvent(ready);
    MSG msg;
    while (GetMessageA(&msg, nullptr, 0, 0)) {
        TranslateMessage(&msg);
        DispatchMessageA(&msg);
    }
    CloseHandle(ready);
    return 0;
}

static PROCESS_INFORMATION host_process;

static int start_process(const char *command_line) {
    char command[1024];
    lstrcpynA(command, command_line, sizeof command);
    STARTUPINFOA si = {};
    si.cb = sizeof si;
    if (CreateProcessA(nullptr, command, nullptr, nullptr, FALSE, 0, nullptr, nullptr, &si,
                       &host_process))
        return 1;
    printf("# cannot start %s\n", command_line);
    return 0;
}

static int start_host(int decoys) {
    HANDLE ready = CreateEventA(nullptr, TRUE, FALSE, BENCH_HOST_READY_EVENT);
    ResetEvent(ready);
    char exe[MAX_PATH], command[MAX_PATH + 32];
    GetModuleFileNameA(nullptr, exe, sizeof exe);
    wsprintfA(command, "\"%s\" host %d", exe, decoys);
    if (!start_process(command))
        return 0;
    HANDLE waits[2] = {ready, host_process.hProcess};
    DWORD woke = WaitForMultipleObjects(2, waits, FALSE, 120000);
    CloseHandle(ready);
    if (woke != WAIT_OBJECT_0) {
        printf("# the window host did not come up\n");
        return 0;
    }
    return 1;
}

static void stop_host(HWND frame) {
    if (!host_process.hProcess)
        return;
    PostMessageA(frame, WM_CLOSE, 0, 0);
    if (WaitForSingleObject(host_process.hProcess, 10000) != WAIT_OBJECT_0)
        TerminateProcess(host_process.hProcess, 1);
    CloseHandle(host_process.hProcess);
    CloseHandle(host_process.hThread);
    host_process = PROCESS_INFORMATION{};
}

// The first top-level window of the class and title, and the first of its
// descendants of the page class.
struct Found {
    const char *frame_class;
    const char *title;
    const char *page_class;
    HWND frame;
    HWND page;
};

static BOOL CALLBACK find_page_child(HWND window, LPARAM context) {
    Found *f = reinterpret_cast<Found *>(context);
    char name[256];
    if (GetClassNameA(window, name, sizeof name) && lstrcmpiA(name, f->page_class) == 0) {
        f->page = window;
        return FALSE;
    }
    return TRUE;
}

static BOOL CALLBACK find_frame(HWND window, LPARAM context) {
    Found *f = reinterpret_cast<Found *>(context);
    char name[256], title[256];
    if (!GetClassNameA(window, name, sizeof name) || lstrcmpiA(name, f->frame_class) != 0)
        return TRUE;
    GetWindowTextA(window, title, sizeof title);
    if (strncmp(title, f->title, strlen(f->title)) != 0)
        return TRUE;
    f->frame = window;
    EnumChildWindows(window, find_page_child, context);
    return f->page ? FALSE : TRUE;
}

// ---- finder ----

static HWND bare_stop_at;
static int bare_visited;

static BOOL CALLBACK bare_class_loop(HWND window, LPARAM) {
    char name[1024];
    ++bare_visited;
    GetClassNameA(window, name, sizeof name);
    return window == bare_stop_at ? FALSE : TRUE;
}

static int bench_finder(int iterations, int decoys, int in_process) {
    HWND frame = nullptr, page = nullptr;
    if (in_process) {
        frame = create_chat_windows(decoys, &page);
    } else {
        if (!start_host(decoys))
            return 1;
        Found f = {BENCH_FRAME_CLASS, BENCH_CHAT_TITLE, BENCH_PAGE_CLASS, nullptr, nullptr};
        EnumWindows(find_frame, reinterpret_cast<LPARAM>(&f));
        frame = f.frame;
        page = f.page;
    }
    lstrcpyA(g.title, BENCH_CHAT_TITLE);
    HWND found = find_target_window();
    bare_stop_at = frame;
    bare_visited = 0;
    EnumWindows(bare_class_loop, 0);
    printf("# finder: %d top-level windows enumerated up to the frame (%d decoys, %s)\n",
           bare_visited, decoys, in_process ? "in this process" : "in a second process");
    int fault = 0;
    if (!page || found != page || g.target_frame != frame) {
        printf("# finder: find_target_window returned %p, the page window is %p\n",
               static_cast<void *>(found), static_cast<void *>(page));
        fault = 1;
    }
    if (bare_visited <= decoys) {
        printf("# finder: the frame was not enumerated after the decoys\n");
        fault = 1;
    }
    double *ours = static_cast<double *>(calloc(static_cast<size_t>(iterations), sizeof(double)));
    double *base = static_cast<double *>(calloc(static_cast<size_t>(iterations), sizeof(double)));
    for (int i = 0; i < iterations && !fault; ++i) {
        // Alternate the order so that neither side always runs second.
        for (int side = 0; side < 2; ++side) {
            double t0 = bench_now_ms();
            if ((side ^ (i & 1)) == 0) {
                find_target_window();
                ours[i] = bench_now_ms() - t0;
            } else {
                EnumWindows(bare_class_loop, 0);
                base[i] = bench_now_ms() - t0;
            }
        }
    }
    if (!fault) {
        char label[96];
        wsprintfA(label, "finder: one search, %d decoys %s", decoys,
                  in_process ? "in the same process" : "in another process");
        bench_ratio_result(in_process ? "finder_inproc" : "finder", label,
                           bench_median(ours, iterations), bench_median(base, iterations), "ms",
                           1.3);
    }
    free(ours);
    free(base);
    if (!in_process)
        stop_host(frame);
    return fault;
}

// ---- send ----

static void bare_post(HWND page) {
    for (int i = 0; i < BENCH_POST_TEXT_LENGTH + 1; ++i) {
        WPARAM code = i < BENCH_POST_TEXT_LENGTH ? BENCH_POST_TEXT[i] : '\r';
        SendMessageA(page, WM_KEYDOWN, code, 0);
        SendMessageA(page, WM_CHAR, code, 0);
        SendMessageA(page, WM_KEYUP, code, 0);
    }
}

static int bench_send(int iterations, const char *frame_class, const char *title,
                      const char *page_class, const char *sink_command) {
    Found f = {frame_class, title, page_class, nullptr, nullptr};
    EnumWindows(find_frame, reinterpret_cast<LPARAM>(&f));
    const char *sink = "the chat simulator";
    if (!f.page && sink_command && start_process(sink_command)) {
        for (int waited = 0; !f.page && waited < 120000; waited += 50) {
            Sleep(50);
            EnumWindows(find_frame, reinterpret_cast<LPARAM>(&f));
        }
    }
    if (!f.page) {
        // No simulator running: the stand-in page of the window host.
        if (!start_host(0))
            return 1;
        f = Found{BENCH_FRAME_CLASS, BENCH_CHAT_TITLE, BENCH_PAGE_CLASS, nullptr, nullptr};
        EnumWindows(find_frame, reinterpret_cast<LPARAM>(&f));
        sink = "the bench's stand-in page";
        title = BENCH_CHAT_TITLE;
    }
    if (!f.page) {
        printf("# send: no page window\n");
        return 1;
    }
    register_class("BenchSendOwner", DefWindowProcA);
    g.main_window = CreateWindowExA(0, "BenchSendOwner", "", WS_POPUP, 0, 0, 0, 0, nullptr, nullptr,
                                    GetModuleHandleA(nullptr), nullptr);
    lstrcpynA(g.title, title, sizeof g.title);
    lstrcpyA(g.post_text, BENCH_POST_TEXT);
    g.post_secs = 240;

    int fault = 0;
    HWND found = find_target_window();
    if (found != f.page) {
        printf("# send: find_target_window returned %p, the page window is %p\n",
               static_cast<void *>(found), static_cast<void *>(f.page));
        fault = 1;
    }
    double *ours = static_cast<double *>(calloc(static_cast<size_t>(iterations), sizeof(double)));
    double *base = static_cast<double *>(calloc(static_cast<size_t>(iterations), sizeof(double)));
    long posts_before = bench_posts_seen(f.frame, f.page);
    for (int i = 0; i < iterations && !fault; ++i) {
        for (int side = 0; side < 2; ++side) {
            double t0 = bench_now_ms();
            if ((side ^ (i & 1)) == 0) {
                send_post();
                ours[i] = bench_now_ms() - t0;
                KillTimer(g.main_window, IDT_POST_GUARD);
                g.post_guard = 0;
            } else {
                bare_post(f.page);
                base[i] = bench_now_ms() - t0;
            }
        }
    }
    long posts_after = bench_posts_seen(f.frame, f.page);
    if (posts_before >= 0 && !fault) {
        long got = posts_after - posts_before;
        printf("# send: the page showed %ld posts, %d expected\n", got, 2 * iterations);
        if (got != 2L * iterations)
            fault = 1;
    } else if (!fault) {
        printf("# send: the page keeps no count; posts not checked\n");
    }
    if (bench_fatal_reports) {
        printf("# send: the post guard timer could not be had\n");
        fault = 1;
    }
    if (!fault) {
        char label[96];
        wsprintfA(label, "sending: one 126-byte post into %s", sink);
        bench_ratio_result("send", label, bench_median(ours, iterations),
                           bench_median(base, iterations), "ms", 1.2);
    }
    free(ours);
    free(base);
    stop_host(f.frame);
    return fault;
}

int main(int argc, char **argv) {
    if (argc >= 3 && strcmp(argv[1], "host") == 0)
        return run_host(atoi(argv[2]));
    if (argc >= 4 && strcmp(argv[1], "finder") == 0)
        return bench_finder(atoi(argv[2]), atoi(argv[3]),
                            argc >= 5 && strcmp(argv[4], "inproc") == 0);
    if (argc >= 6 && strcmp(argv[1], "send") == 0)
        return bench_send(atoi(argv[2]), argv[3], argv[4], argv[5], argc >= 7 ? argv[6] : nullptr);
    printf(
        "usage: bench_calls finder <iterations> <decoys> [inproc]\n"
        "       bench_calls send <iterations> <frame class> <title> <page class> [sink]\n"
        "       bench_calls host <decoys>\n");
    return 2;
}
