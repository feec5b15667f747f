#include "ui/intervals.h"

#include <gtest/gtest.h>

namespace {

struct IntervalCase {
    int update_ok;
    unsigned update;
    int post_ok;
    unsigned post;
    IntervalCheck failing_step;
};

TEST(Intervals, ChecksInOrder) {
    const IntervalCase cases[] = {
        {1, 10, 1, 240, INTERVALS_OK},
        {1, 0, 1, 5, INTERVALS_OK},  // posting only
        {1, 5, 1, 0, INTERVALS_OK},  // updates only
        {1, 5, 1, 5, INTERVALS_POST_NOT_LONGER},
        {1, 240, 1, 10, INTERVALS_POST_NOT_LONGER},
        {1, 0, 1, 0, INTERVALS_BOTH_ZERO},
        {0, 0, 1, 5, INTERVALS_BAD_UPDATE},  // empty update field
        {1, 5, 0, 0, INTERVALS_BAD_POST},    // empty post field
        {0, 0, 0, 0, INTERVALS_BAD_UPDATE},  // the update field is checked first
        {1, 0, 0, 0, INTERVALS_BAD_POST},    // a bad post field before "both zero"
        {1, 2147483646, 1, 2147483647, INTERVALS_OK},
        {1, 2147483647, 1, 0, INTERVALS_OK},
        {1, 0, 1, 2147483647, INTERVALS_OK},
    };
    for (const IntervalCase &c : cases) {
        EXPECT_EQ(validate_intervals(c.update_ok, c.update, c.post_ok, c.post), c.failing_step)
            << c.update_ok << " " << c.update << " " << c.post_ok << " " << c.post;
    }
}

TEST(Intervals, ValuesBeyondTheSignedRangeAreConversionFailures) {
    // Taken as signed, 4294967295 would be -1 and pass "update below post".
    EXPECT_EQ(validate_intervals(1, 4294967295u, 1, 10), INTERVALS_BAD_UPDATE);
    EXPECT_EQ(validate_intervals(1, 2147483648u, 1, 0), INTERVALS_BAD_UPDATE);
    EXPECT_EQ(validate_intervals(1, 5, 1, 2147483648u), INTERVALS_BAD_POST);
    EXPECT_EQ(validate_intervals(1, 0, 1, 4294967295u), INTERVALS_BAD_POST);
}

}  // namespace
