// Names and numbers shared by the bench programs.
#ifndef YARROWMELD_BENCH_IDS_H
#define YARROWMELD_BENCH_IDS_H

// Class and title of the bare tray program's hidden window.
#define BARE_TRAY_NAME "BareTray"

// Sent to the bare tray program: one bare post of the first wParam bytes of
// the bench text to the window in lParam.
#define BARE_POST (WM_APP + 1)

// Sent to the bare tray program: wParam times, load the rich-edit library,
// create and destroy one rich-edit window, and free the library again; the
// least that opening and closing a rich-edit viewer does.
#define BARE_RICHEDIT (WM_APP + 3)

// The text of every timed post: 126 bytes, the most that Yarrowmeld takes
// from its INI file, so one post is 127 key triples (381 messages).
#define BENCH_POST_TEXT                                                                 \
    "The quick brown fox jumps over the lazy dog 0123456789 The quick brown fox jumps " \
    "over the lazy dog 0123456789 The quick brown."
#define BENCH_POST_TEXT_LENGTH 126
static_assert(sizeof BENCH_POST_TEXT == BENCH_POST_TEXT_LENGTH + 1, "a 126-byte post");

// The chat window that the bench's own stand-in page offers (bench_calls
// host): an "IEFrame" titled like the chat room, with its page window.
#define BENCH_FRAME_CLASS "IEFrame"
#define BENCH_PAGE_CLASS "Internet Explorer_Server"
#define BENCH_CHAT_TITLE "Chat room"
#define BENCH_DECOY_CLASS "BenchDecoy"
// Set by bench_calls host once all its windows stand.
#define BENCH_HOST_READY_EVENT "YarrowmeldBenchHostReady"
// Sent to the stand-in page window: returns 1 + the number of posts (Enter
// characters) it has received, so 0, from a page that does not know it,
// means no count.
#define SINK_COUNT (WM_APP + 2)

#endif
