// What bench_probe.dll, hooked into the UI thread of a program under
// measurement, shares with the bench driver: message counts by kind and,
// on request, the program's USER and GDI objects and the thread's context
// switches. Wine's GetGuiResources fails, so the probe counts from inside
// the process.
#ifndef YARROWMELD_BENCH_PROBE_SHARED_H
#define YARROWMELD_BENCH_PROBE_SHARED_H

#include <windows.h>

#define PROBE_MAPPING_NAME "YarrowmeldBenchProbe"
#define PROBE_DONE_EVENT_NAME "YarrowmeldBenchProbeDone"
// Registered message, posted to the UI thread: wParam is the request,
// lParam a sequence number that the probe echoes when it is done.
#define PROBE_MESSAGE_NAME "YarrowmeldBenchProbeRequest"

enum ProbeRequest {
    PROBE_PING = 0,      // only answer (the first one loads the probe)
    PROBE_COUNT = 1,     // fill ProbeShared::objects
    PROBE_SWITCHES = 2,  // fill the context switch counts only
    PROBE_RESET_MESSAGES = 3,
    PROBE_MODULES = 4  // fill ProbeShared::module_*
};

#define PROBE_MAX_MODULES 96

#define PROBE_MAX_TIMER_ID 16
#define PROBE_MAX_KINDS 24

struct ProbeObjects {
    LONG windows;       // windows of this process, message-only ones too
    LONG menus;         // menus, system menus and pop-ups included
    LONG icons;         // icons and cursors held by the process
    LONG accelerators;  // accelerator tables
    LONG gdi_objects;   // GDI objects other than stock objects
    LONG gdi_by_type[32];
    LONG gdi_table_found;  // 0: Wine's GDI handle table was not found
    LONG voluntary_switches;
    LONG involuntary_switches;
    LONG switches_found;  // 0: /proc/thread-self/status was not readable
};

struct ProbeShared {
    LONG process_id;                        // the process that the hook measures
    LONG messages;                          // messages the UI thread retrieved (PM_REMOVE)
    LONG timer_by_id[PROBE_MAX_TIMER_ID];   // WM_TIMER by timer id (ids >= 16 in the last)
    LONG timer_window[PROBE_MAX_TIMER_ID];  // the window of the last WM_TIMER of each id
    LONG kind_message[PROBE_MAX_KINDS];     // other messages by number...
    LONG kind_count[PROBE_MAX_KINDS];       // ...and how often each came
    LONG kinds_overflow;
    LONG probe_requests;  // the driver's own requests, not in messages
    LONG done_sequence;
    ProbeObjects objects;
    LONG module_count;
    char module_name[PROBE_MAX_MODULES][32];  // lower case
    DWORD module_size[PROBE_MAX_MODULES];     // committed image pages
    void *module_base[PROBE_MAX_MODULES];
};

#endif
