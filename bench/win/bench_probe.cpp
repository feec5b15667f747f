// A WH_GETMESSAGE hook that the bench driver sets on the UI thread of a
// program under measurement; the system loads this DLL into that process.
// It counts every message the thread takes from its queue, and answers the
// driver's requests there, on the UI thread, where the process's own USER
// and GDI objects can be seen.
#include <windows.h>

#include "probe_shared.h"

static ProbeShared *shared;
static HANDLE done_event;
static UINT probe_message;

static int attach_shared(void) {
    if (shared)
        return 1;
    HANDLE mapping = OpenFileMappingA(FILE_MAP_WRITE, FALSE, PROBE_MAPPING_NAME);
    if (!mapping)
        return 0;
    shared = static_cast<ProbeShared *>(MapViewOfFile(mapping, FILE_MAP_WRITE, 0, 0, 0));
    if (!shared)
        return 0;
    done_event = OpenEventA(EVENT_MODIFY_STATE, FALSE, PROBE_DONE_EVENT_NAME);
    probe_message = RegisterWindowMessageA(PROBE_MESSAGE_NAME);
    return 1;
}

static void count_message(HWND window, UINT message, WPARAM wparam) {
    InterlockedIncrement(&shared->messages);
    if (message == WM_TIMER) {
        UINT id = wparam < PROBE_MAX_TIMER_ID ? static_cast<UINT>(wparam) : PROBE_MAX_TIMER_ID - 1;
        InterlockedIncrement(&shared->timer_by_id[id]);
        shared->timer_window[id] = static_cast<LONG>(reinterpret_cast<LONG_PTR>(window));
        return;
    }
    for (int i = 0; i < PROBE_MAX_KINDS; ++i) {
        if (shared->kind_count[i] == 0)
            shared->kind_message[i] = static_cast<LONG>(message);
        if (shared->kind_message[i] == static_cast<LONG>(message)) {
            InterlockedIncrement(&shared->kind_count[i]);
            return;
        }
    }
    InterlockedIncrement(&shared->kinds_overflow);
}

// Windows of this process: top-level ones and all their descendants, and
// message-only windows.
static DWORD own_process;
static LONG window_count;

static BOOL CALLBACK count_child(HWND window, LPARAM) {
    DWORD process = 0;
    GetWindowThreadProcessId(window, &process);
    if (process == own_process)
        ++window_count;
    return TRUE;
}

static BOOL CALLBACK count_top(HWND window, LPARAM) {
    DWORD process = 0;
    GetWindowThreadProcessId(window, &process);
    if (process == own_process)
        ++window_count;
    EnumChildWindows(window, count_child, 0);
    return TRUE;
}

static void count_windows(ProbeObjects *out) {
    own_process = GetCurrentProcessId();
    window_count = 0;
    EnumWindows(count_top, 0);
    HWND message_only = nullptr;
    while ((message_only = FindWindowExA(HWND_MESSAGE, message_only, nullptr, nullptr))) {
        count_top(message_only, 0);
    }
    out->windows = window_count;
}

// Wine keeps the USER objects of a process (menus, icons, cursors,
// accelerator tables) in a table of 16-bit handles: the low word of a handle
// is 0x20 + 2 * index, and a handle whose high word is 0 stands for any
// generation of that slot. Slots of other processes are not seen from here.
static void count_user_objects(ProbeObjects *out) {
    out->menus = out->icons = out->accelerators = 0;
    for (UINT_PTR low = 0x20; low <= 0xFFEF; low += 2) {
        HANDLE handle = reinterpret_cast<HANDLE>(low);
        if (IsMenu(static_cast<HMENU>(handle))) {
            ++out->menus;
            continue;
        }
        if (CopyAcceleratorTableA(static_cast<HACCEL>(handle), nullptr, 0) > 0) {
            ++out->accelerators;
            continue;
        }
        ICONINFO info;
        if (GetIconInfo(static_cast<HICON>(handle), &info)) {
            // GetIconInfo hands out copies of the bitmaps.
            if (info.hbmMask)
                DeleteObject(info.hbmMask);
            if (info.hbmColor)
                DeleteObject(info.hbmColor);
            ++out->icons;
        }
    }
}

// Wine's GDI handle table, which the process environment block points to
// (GdiSharedHandleTable, offset 0x94 in a 32-bit PEB): 65536 entries of 24
// bytes; Type 0 is a free slot, and bit 7 of the first byte of Unique marks
// a stock object.
struct GdiHandleEntry {
    UINT64 object;
    UINT owner;
    USHORT unique;
    UCHAR type;
    UCHAR flags;
    UINT64 user_pointer;
};
static_assert(sizeof(GdiHandleEntry) == 24, "Wine's GDI_HANDLE_ENTRY");

static void count_gdi_objects(ProbeObjects *out) {
    out->gdi_objects = 0;
    for (LONG &n : out->gdi_by_type) n = 0;
    out->gdi_table_found = 0;
#if defined(__i386__)
    BYTE *peb;
    __asm__("movl %%fs:0x30, %0" : "=r"(peb));
    GdiHandleEntry *table = *reinterpret_cast<GdiHandleEntry **>(peb + 0x94);
    if (!table)
        return;
    out->gdi_table_found = 1;
    for (int i = 0; i < 0x10000; ++i) {
        if (!table[i].type)
            continue;
        if (table[i].unique & 0x80)
            continue;  // stock object
        ++out->gdi_objects;
        ++out->gdi_by_type[table[i].type & 31];
    }
#endif
}

static long long field_after(const char *text, const char *name) {
    for (const char *p = text; *p; ++p) {
        const char *a = p, *b = name;
        while (*b && *a == *b) ++a, ++b;
        if (*b)
            continue;
        while (*a == ' ' || *a == '\t' || *a == ':') ++a;
        long long value = 0;
        while (*a >= '0' && *a <= '9') value = value * 10 + (*a++ - '0');
        return value;
    }
    return -1;
}

// The Linux thread behind this Windows thread: every time it blocked and
// was woken up again counts as a voluntary switch.
static void read_switches(ProbeObjects *out) {
    out->switches_found = 0;
    HANDLE file =
        CreateFileA("Z:\\proc\\thread-self\\status", GENERIC_READ,
                    FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING, 0, nullptr);
    if (file == INVALID_HANDLE_VALUE)
        return;
    char text[4096];
    DWORD got = 0;
    ReadFile(file, text, sizeof text - 1, &got, nullptr);
    CloseHandle(file);
    text[got] = 0;
    long long voluntary = field_after(text, "voluntary_ctxt_switches");
    long long involuntary = field_after(text, "nonvoluntary_ctxt_switches");
    if (voluntary < 0 || involuntary < 0)
        return;
    out->voluntary_switches = static_cast<LONG>(voluntary);
    out->involuntary_switches = static_cast<LONG>(involuntary);
    out->switches_found = 1;
}

// The modules of this process, found by walking the address space for
// image mappings: EnumProcessModules reads the loader's list through
// ReadProcessMemory, which emulated Wine refuses even for the process
// itself.
static void list_modules(void) {
    shared->module_count = 0;
    BYTE *address = nullptr;
    MEMORY_BASIC_INFORMATION region;
    while (VirtualQuery(address, &region, sizeof region) == sizeof region) {
        BYTE *next = static_cast<BYTE *>(region.BaseAddress) + region.RegionSize;
        if (next <= address)
            break;
        address = next;
        if (region.Type != MEM_IMAGE || region.State != MEM_COMMIT)
            continue;
        LONG n = shared->module_count;
        if (n > 0 && shared->module_base[n - 1] == region.AllocationBase) {
            shared->module_size[n - 1] += static_cast<DWORD>(region.RegionSize);
            continue;
        }
        if (n >= PROBE_MAX_MODULES)
            break;
        char path[MAX_PATH];
        if (!GetModuleFileNameA(static_cast<HMODULE>(region.AllocationBase), path, sizeof path))
            continue;
        const char *name = path;
        for (const char *p = path; *p; ++p)
            if (*p == '\\' || *p == '/')
                name = p + 1;
        lstrcpynA(shared->module_name[n], name, sizeof shared->module_name[n]);
        CharLowerA(shared->module_name[n]);
        shared->module_base[n] = region.AllocationBase;
        shared->module_size[n] = static_cast<DWORD>(region.RegionSize);
        shared->module_count = n + 1;
    }
}

static void answer(WPARAM request, LPARAM sequence) {
    InterlockedIncrement(&shared->probe_requests);
    switch (request) {
        case PROBE_COUNT:
            count_windows(&shared->objects);
            count_gdi_objects(&shared->objects);
            count_user_objects(&shared->objects);
            read_switches(&shared->objects);
            break;
        case PROBE_SWITCHES:
            read_switches(&shared->objects);
            break;
        case PROBE_MODULES:
            list_modules();
            break;
        case PROBE_RESET_MESSAGES:
            shared->messages = 0;
            for (LONG &n : shared->timer_by_id) n = 0;
            for (LONG &n : shared->kind_count) n = 0;
            shared->kinds_overflow = 0;
            break;
    }
    shared->done_sequence = static_cast<LONG>(sequence);
    if (done_event)
        SetEvent(done_event);
}

extern "C" __declspec(dllexport) LRESULT CALLBACK
    probe_hook(int code, WPARAM wparam, LPARAM lparam) {
    if (code == HC_ACTION && wparam == PM_REMOVE && attach_shared() &&
        shared->process_id == static_cast<LONG>(GetCurrentProcessId())) {
        MSG *msg = reinterpret_cast<MSG *>(lparam);
        if (probe_message && msg->message == probe_message && !msg->hwnd) {
            answer(msg->wParam, msg->lParam);
            // The program itself gets nothing.
            msg->message = WM_NULL;
        } else {
            count_message(msg->hwnd, msg->message, msg->wParam);
        }
    }
    return CallNextHookEx(nullptr, code, wparam, lparam);
}
