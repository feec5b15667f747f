// What the in-process test programs have in the place of the program's
// start-up file: the Settings record and the shell's calls, which record
// what they are asked instead of showing message boxes or touching the
// notification area, and the screen's DPI as a test sets it.
#ifndef YARROWMELD_SHELL_STUB_H
#define YARROWMELD_SHELL_STUB_H

#include <windows.h>

#include <string>
#include <vector>

struct ShellCalls {
    std::vector<std::string> fatal;      // report_fatal texts
    std::vector<DWORD> tray_messages;    // tray_notify messages
    std::vector<std::string> tray_tips;  // the tray record's tip at each
};
extern ShellCalls shell_calls;

// What screen_dpi answers; 96 unless a test sets another.
extern int test_dpi;

#endif
