#include "automation/countdown.h"

int countdown_step(int left, int interval) {
    if (interval == 0)
        return 0;
    // Anything at or below 1 wraps to the full interval: a stale or
    // out-of-range count (an interval changed under it, a negative value
    // from a hand-edited INI file) never shows 0 and never runs away below
    // zero.
    if (left <= 1)
        return interval;
    return left - 1;
}
