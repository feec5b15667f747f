#include "ui/intervals.h"

namespace {

const unsigned max_interval = 2147483647u;

}  // namespace

IntervalCheck validate_intervals(int update_ok, unsigned update_value, int post_ok,
                                 unsigned post_value) {
    // The intervals are signed: a value above the largest int would turn
    // into a negative interval and timer period.
    if (!update_ok || update_value > max_interval)
        return INTERVALS_BAD_UPDATE;
    if (!post_ok || post_value > max_interval)
        return INTERVALS_BAD_POST;
    if (update_value == 0 && post_value == 0)
        return INTERVALS_BOTH_ZERO;
    if (post_value != 0 && static_cast<int>(update_value) >= static_cast<int>(post_value))
        return INTERVALS_POST_NOT_LONGER;
    return INTERVALS_OK;
}
