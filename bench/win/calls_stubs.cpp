// What the program's finder and send path need from the rest of the
// program, for a bench exe that calls them directly. The send path touches
// none of these but the Settings record; the tray calls are reached only by
// the run-state switch, which the bench never calls, and a fatal report
// (a timer that could not be had) is counted so the bench can refuse its
// figures.
#include "app/app_win.h"

Settings g;
int bench_fatal_reports;

void report_fatal(HWND, const char *) {
    ++bench_fatal_reports;
}

BOOL tray_notify(DWORD) {
    return TRUE;
}

void set_tray_tip(const char *, int) {}
HICON load_tray_icon(int) {
    return nullptr;
}

void show_status_counts(void) {}
void search_readme_window(void) {}
void status_window_close(void) {}

// No settings dialog is open in the bench.
int settings_dialog_title(char *, int) {
    return 0;
}
void settings_dialog_show_title(const char *) {}
void format_caption(char *out, size_t size, const char *) {
    if (size)
        out[0] = 0;
}
