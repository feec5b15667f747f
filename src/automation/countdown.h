#ifndef YARROWMELD_COUNTDOWN_H
#define YARROWMELD_COUNTDOWN_H

// One step of a display countdown: an interval of 0 shows 0; otherwise the
// count goes down by one and wraps from 1 to the full interval, so 0 is
// never shown while the interval is not 0.
int countdown_step(int left, int interval);

#endif
