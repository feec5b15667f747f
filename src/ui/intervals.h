// The settings dialog's check of the two intervals.
#ifndef YARROWMELD_INTERVALS_H
#define YARROWMELD_INTERVALS_H

// The number checks of the settings dialog, given what an unsigned
// conversion of each field gave (ok flag and value). Values above
// 2147483647 are refused as a conversion failure, so that no negative
// interval or timer period can come from the fields. The first check that
// fails, in the order below.
enum IntervalCheck {
    INTERVALS_OK,
    INTERVALS_BAD_UPDATE,
    INTERVALS_BAD_POST,
    INTERVALS_BOTH_ZERO,
    INTERVALS_POST_NOT_LONGER,  // update not below a non-zero post
};
IntervalCheck validate_intervals(int update_ok, unsigned update_value, int post_ok,
                                 unsigned post_value);

#endif
