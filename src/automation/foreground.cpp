// Bringing the browser's frame to the front (see foreground.h).
#include "automation/foreground.h"

int bring_to_front(void *window, const ForegroundOps *ops) {
    ops->set_foreground(ops->context, window);
    void *front = ops->get_foreground(ops->context);
    if (front == window)
        return 1;
    // A program in the background may not take the foreground from the
    // user's window while the user is busy with it. Sharing the input of
    // that window's thread makes the request its thread's own.
    if (!front)
        return 0;
    unsigned theirs = ops->thread_of(ops->context, front);
    unsigned mine = ops->own_thread(ops->context);
    // A hung thread's input is never shared: whatever waits on it would
    // wait on this program too.
    if (!theirs || theirs == mine || !ops->answers(ops->context, front))
        return 0;
    if (!ops->attach(ops->context, mine, theirs, 1))
        return 0;
    ops->set_foreground(ops->context, window);
    ops->attach(ops->context, mine, theirs, 0);
    return ops->get_foreground(ops->context) == window;
}
