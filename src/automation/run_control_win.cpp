// Run state, the main window's timers and the keystrokes sent to the chat's
// page window.
#include <string.h>

#include "automation/run_control_win.h"

#include "app/app_win.h"
#include "app/main_window_win.h"
#include "automation/finder_win.h"
#include "automation/key_send_win.h"
#include "automation/countdown.h"
#include "automation/foreground.h"
#include "automation/key_plan.h"
#include "text/text_rules.h"
#include "ui/readme_viewer_win.h"
#include "ui/settings_dialog_win.h"
#include "ui/status_window_win.h"

// How long the window in front may take to answer before its thread counts
// as not answering (its input is then not shared).
static const UINT FOREGROUND_ANSWER_MS = 1000;

// Text of the settings dialog's title field as last read, and the text from
// which the tooltip and caption were last set (all zero for an empty field).
static char title_field_text[1024];
static char tracked_title[1024];

// The timer period in milliseconds for an interval in seconds. The INI file
// may hold any number, so the product is worked out without overflow and
// kept within what SetTimer accepts; a negative interval waits as long as
// a timer can.
static UINT timer_period(int seconds) {
    const unsigned long long longest = 0x7FFFFFFF;
    if (seconds < 0)
        return static_cast<UINT>(longest);
    unsigned long long ms = static_cast<unsigned long long>(seconds) * 1000u;
    return static_cast<UINT>(ms > longest ? longest : ms);
}

static int start_work_timer(UINT id, int seconds) {
    return static_cast<int>(set_timer_or_quit(g.main_window, id, timer_period(seconds)));
}

void stop_work_timers(void) {
    if (g.update_timer) {
        KillTimer(g.main_window, IDT_UPDATE);
        g.update_timer = 0;
    }
    if (g.post_timer) {
        KillTimer(g.main_window, IDT_POST);
        g.post_timer = 0;
    }
}

void set_run_state(int state) {
    int on = state == 1;
    EnableMenuItem(g.tray_menu, IDM_STATUS, MF_BYCOMMAND | (on ? MF_ENABLED : MF_GRAYED));
    CheckMenuItem(g.tray_menu, IDM_START, MF_BYCOMMAND | (on ? MF_CHECKED : MF_UNCHECKED));
    CheckMenuItem(g.tray_menu, IDM_STOP, MF_BYCOMMAND | (on ? MF_UNCHECKED : MF_CHECKED));

    HICON previous = g.tray_icon.hIcon;
    g.tray_icon.hIcon = load_tray_icon(on ? IDI_RUNNING : IDI_STOPPED);
    set_tray_tip(g.title, on);
    tray_notify(NIM_MODIFY);
    // The shell has its own copy now; without this every switch would leak
    // one icon.
    if (previous && previous != g.tray_icon.hIcon)
        DestroyIcon(previous);

    settings_dialog_show_title(g.title);

    if (on) {
        if (g.title[0] && g.update_secs != 0)
            g.update_timer = start_work_timer(IDT_UPDATE, g.update_secs);
        if (g.post_text[0] && g.post_secs != 0)
            g.post_timer = start_work_timer(IDT_POST, g.post_secs);
    } else {
        stop_work_timers();
    }
    g.running = state;
}

void start_running(void) {
    set_run_state(1);
    g.update_left = g.update_secs;
    g.post_left = g.post_secs;
    SendMessageA(g.main_window, WM_TIMER, IDT_POST, 0);
    EnableMenuItem(g.tray_menu, IDM_STATUS, MF_BYCOMMAND | MF_ENABLED);
}

void stop_running(void) {
    set_run_state(0);
    g.update_left = g.update_secs;
    g.post_left = g.post_secs;
    status_window_close();
}

static void handle_target_lost(int post_kind) {
    stop_work_timers();
    if (!post_kind)
        set_run_state(0);
    char caption[1040];
    format_caption(caption, sizeof caption, g.title);
    MessageBoxA(g.main_window, "指定されたウインドウが見つかりません。", caption,
                MB_OK | MB_SYSTEMMODAL | MB_ICONEXCLAMATION);
    status_window_close();
    set_run_state(0);
    PostMessageA(g.main_window, WM_COMMAND, IDM_SETTINGS, 0);
}

static void fg_set(void *, void *window) {
    SetForegroundWindow(static_cast<HWND>(window));
}

static void *fg_get(void *) {
    return GetForegroundWindow();
}

static unsigned fg_thread_of(void *, void *window) {
    return GetWindowThreadProcessId(static_cast<HWND>(window), nullptr);
}

static unsigned fg_own_thread(void *) {
    return GetCurrentThreadId();
}

static int fg_answers(void *, void *window) {
    DWORD_PTR result;
    return SendMessageTimeoutA(static_cast<HWND>(window), WM_NULL, 0, 0,
                               SMTO_NORMAL | SMTO_ABORTIFHUNG, FOREGROUND_ANSWER_MS, &result) != 0;
}

static int fg_attach(void *, unsigned from, unsigned to, int on) {
    return AttachThreadInput(from, to, on ? TRUE : FALSE) ? 1 : 0;
}

static const ForegroundOps foreground_ops = {fg_set,     fg_get,    fg_thread_of, fg_own_thread,
                                             fg_answers, fg_attach, nullptr};

// Browsers of today type only into an active frame, and a program in the
// background may be refused the foreground; bring_to_front asks the way
// the system grants it.
static void activate_target(HWND page) {
    if (g.target_frame) {
        bring_to_front(g.target_frame, &foreground_ops);
        SetActiveWindow(g.target_frame);
    }
    SetForegroundWindow(page);
    SetActiveWindow(page);
}

static int layout_key_for_char(void *, unsigned char c) {
    return VkKeyScanA(static_cast<CHAR>(c));
}

static unsigned layout_scan_for_key(void *, unsigned vk) {
    return MapVirtualKeyA(vk, 0);  // MAPVK_VK_TO_VSC
}

// The messages for text (empty for an update) and Enter, in the style of
// the frame that was found: the frames of the ten rules get the key triple
// with the byte as code, as they always did; the frames of today's
// browsers get what their keyboard code expects.
static void send_keys(HWND page, const char *text) {
    char frame_class[256] = "";
    if (g.target_frame)
        GetClassNameA(g.target_frame, frame_class, sizeof frame_class);
    const KeyLayout layout = {layout_key_for_char, layout_scan_for_key, nullptr};
    KeyMessage plan[KEY_PLAN_MAX];
    int n = key_plan(text, key_style_for_frame(frame_class), &layout, system_text_rules(), plan,
                     KEY_PLAN_MAX);
    for (int i = 0; i < n; ++i) {
        if (!send_key_message(page, plan[i]))
            break;
    }
}

// 1 while a burst of key messages goes out. Waiting on the page window, the
// thread still handles sent messages (the tray's clicks among them), so a
// timer, a click or a command can ask for another burst in the middle of
// this one; that one is dropped, or the two texts would be typed into
// each other.
static int burst_going;

// An update (Enter alone) or a post (the text, then Enter) to the page
// window, the run given up when it is lost; then its countdown restarts.
static void send_burst(int post_kind) {
    HWND page = find_target_window();
    if (!page) {
        handle_target_lost(post_kind);
        return;
    }
    burst_going = 1;
    activate_target(page);
    send_keys(page, post_kind ? g.post_text : "");
    burst_going = 0;
    if (post_kind)
        g.post_left = g.post_secs;
    else
        g.update_left = g.update_secs;
}

static void send_update(void) {
    if (g.post_guard == 1 || burst_going)
        return;
    send_burst(0);
}

void send_post(void) {
    if (burst_going)
        return;
    if (set_timer_or_quit(g.main_window, IDT_POST_GUARD, 500))
        g.post_guard = 1;
    send_burst(1);
}

static void track_settings_title(void) {
    if (!settings_dialog_title(title_field_text, 1023)) {
        memcpy(tracked_title, title_field_text, sizeof tracked_title);
        return;
    }
    // Only a change is shown, not the same text every 100 ms.
    if (strcmp(title_field_text, tracked_title) != 0) {
        set_tray_tip(title_field_text, g.running);
        tray_notify(NIM_MODIFY);
        settings_dialog_show_title(title_field_text);
        memcpy(tracked_title, title_field_text, sizeof tracked_title);
    }
}

static void tick_second(void) {
    if (g.running == 1) {
        g.update_left = countdown_step(g.update_left, g.update_secs);
        g.post_left = countdown_step(g.post_left, g.post_secs);
    }
    if (g.status_shown == 1 && g.running == 1)
        show_status_counts();
    if (g.readme_search == 1)
        search_readme_window();
    track_settings_title();
}

int handle_main_timer(UINT id) {
    switch (id) {
        case IDT_UPDATE:
            send_update();
            return 1;
        case IDT_POST:
            send_post();
            return 1;
        case IDT_POST_GUARD:
            KillTimer(g.main_window, IDT_POST_GUARD);
            g.post_guard = 0;
            return 1;
        case IDT_TICK:
            tick_second();
            return 1;
        case IDT_TITLE_TRACK:
            track_settings_title();
            return 1;
    }
    return 0;
}
