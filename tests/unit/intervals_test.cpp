#include "ui/intervals.h"

#include <gtest/gtest.h>

namespace {

struct IntervalCase {
    int update_ok;
    unsigned update;
    int post_ok;
    unsigned post;
    int failing_step;
};

TEST(Intervals, ChecksInOrder) {
    const IntervalCase cases[] = {
        {1, 10, 1, 240, 0},
        {1, 0, 1, 5, 0},  // posting only
        {1, 5, 1, 0, 0},  // updates only
        {1, 5, 1, 5, 6},
        {1, 240, 1, 10, 6},
        {1, 0, 1, 0, 5},
        {0, 0, 1, 5, 3},  // empty update field
        {1, 5, 0, 0, 4},  // empty post field
        {0, 0, 0, 0, 3},  // the update field is checked first
        {1, 0, 0, 0, 4},  // a bad post field before "both zero"
        {1, 2147483646, 1, 2147483647, 0},
        {1, 2147483647, 1, 0, 0},
        {1, 0, 1, 2147483647, 0},
    };
    for (const IntervalCase &c : cases) {
        EXPECT_EQ(validate_intervals(c.update_ok, c.update, c.post_ok, c.post), c.failing_step)
            << c.update_ok << " " << c.update << " " << c.post_ok << " " << c.post;
    }
}

TEST(Intervals, ValuesBeyondTheSignedRangeAreConversionFailures) {
    // Taken as signed, 4294967295 would be -1 and pass "update below post".
    EXPECT_EQ(validate_intervals(1, 4294967295u, 1, 10), 3);
    EXPECT_EQ(validate_intervals(1, 2147483648u, 1, 0), 3);
    EXPECT_EQ(validate_intervals(1, 5, 1, 2147483648u), 4);
    EXPECT_EQ(validate_intervals(1, 0, 1, 4294967295u), 4);
}

}  // namespace
