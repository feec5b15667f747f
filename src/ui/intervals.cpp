#include "ui/intervals.h"

namespace {

const unsigned max_interval = 2147483647u;

}  // namespace

int validate_intervals(int update_ok, unsigned update_value, int post_ok, unsigned post_value) {
    // The intervals are signed: a value above the largest int would turn
    // into a negative interval and timer period.
    if (!update_ok || update_value > max_interval)
        return 3;
    if (!post_ok || post_value > max_interval)
        return 4;
    if (update_value == 0 && post_value == 0)
        return 5;
    if (post_value != 0 && (int)update_value >= (int)post_value)
        return 6;
    return 0;
}
