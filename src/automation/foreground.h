// Bringing the browser's frame to the front where the system keeps another
// program's window there. No window system: the calls come through
// ForegroundOps.
#ifndef YARROWMELD_FOREGROUND_H
#define YARROWMELD_FOREGROUND_H

struct ForegroundOps {
    // SetForegroundWindow; its answer is not relied on.
    void (*set_foreground)(void *context, void *window);
    // GetForegroundWindow; null when there is none.
    void *(*get_foreground)(void *context);
    // The thread that created window, 0 when it is gone.
    unsigned (*thread_of)(void *context, void *window);
    // The calling thread.
    unsigned (*own_thread)(void *context);
    // 1 when window's thread answers a message in good time (not hung).
    int (*answers)(void *context, void *window);
    // AttachThreadInput(from, to, on); 1 on success.
    int (*attach)(void *context, unsigned from, unsigned to, int on);
    void *context;
};

// Asks for window to become the foreground window. Where the system leaves
// another window there, the calling thread shares that window's thread's
// input for the moment of a second request (which the system grants to the
// thread of the foreground window), and never with a thread that does not
// answer. Returns 1 when window is the foreground window afterwards.
int bring_to_front(void *window, const ForegroundOps *ops);

#endif
