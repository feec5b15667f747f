// The attempts at registering the tray icon, apart from the shell calls
// that make them, so that the rule for retrying can be tried without a
// shell.
#ifndef YARROWMELD_TRAY_REGISTER_H
#define YARROWMELD_TRAY_REGISTER_H

enum { TRAY_REGISTER_ATTEMPTS = 5, TRAY_REGISTER_WAIT_MS = 5000 };

// What adding the icon gave.
enum { TRAY_ADD_DONE, TRAY_ADD_TIMED_OUT, TRAY_ADD_FAILED };

// The calls of one attempt; context is handed back to each.
struct TrayRegisterSteps {
    void *context;
    // Builds the menu, fills the icon record and adds the icon; one of the
    // TRAY_ADD_ results.
    int (*add)(void *context);
    void (*wait)(void *context, unsigned ms);
    // Modifies the icon after the wait: 1 when that worked.
    int (*modify)(void *context);
    // Deletes the icon and destroys the menu of a failed attempt.
    void (*undo)(void *context);
};

// At most TRAY_REGISTER_ATTEMPTS attempts. An add that times out means a
// shell still busy starting: wait TRAY_REGISTER_WAIT_MS, then modify, and
// undo the attempt when that fails too. Returns 1 when done: the icon is
// there, or the add failed otherwise and the icon is left to the next
// "TaskbarCreated" (with the menu kept). Returns 0 when every attempt failed
// after a time-out; the caller then reports the fatal error.
int register_with_retries(const TrayRegisterSteps *steps);

#endif
