// The run state, the main window's timers and the keystrokes.
#ifndef YARROWMELD_RUN_CONTROL_WIN_H
#define YARROWMELD_RUN_CONTROL_WIN_H

#include <windows.h>

void set_run_state(int state);
void start_running(void);
void stop_running(void);
void send_post(void);  // also driven by the bench of the send path
// Kills the update and post timers of a run.
void stop_work_timers(void);
// WM_TIMER of the main window; 0 for an id that is not the main window's.
int handle_main_timer(UINT id);

#endif
