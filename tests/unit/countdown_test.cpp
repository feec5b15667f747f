#include "automation/countdown.h"

#include <gtest/gtest.h>

#include <climits>
#include <vector>

namespace {

std::vector<int> shown(int left, int interval, int ticks) {
    std::vector<int> out;
    for (int i = 0; i < ticks; i++) {
        left = countdown_step(left, interval);
        out.push_back(left);
    }
    return out;
}

TEST(Countdown, WrapsFromOneToTheFullInterval) {
    EXPECT_EQ(shown(1, 1, 4), (std::vector<int>{1, 1, 1, 1}));
    EXPECT_EQ(shown(3, 3, 6), (std::vector<int>{2, 1, 3, 2, 1, 3}));
    EXPECT_EQ(shown(10, 10, 11), (std::vector<int>{9, 8, 7, 6, 5, 4, 3, 2, 1, 10, 9}));
}

TEST(Countdown, IntervalZeroShowsZero) {
    EXPECT_EQ(shown(0, 0, 3), (std::vector<int>{0, 0, 0}));
    EXPECT_EQ(shown(7, 0, 2), (std::vector<int>{0, 0}));
}

TEST(Countdown, NeverShowsZeroOrRunsAwayWhileTheIntervalIsSet) {
    // Counts left over from another interval, and out-of-range values.
    for (int interval = 1; interval <= 5; interval++) {
        for (int left : {INT_MIN, -3, -1, 0, 1, 2, 5, 9}) {
            int value = left;
            for (int tick = 0; tick < 20; tick++) {
                value = countdown_step(value, interval);
                ASSERT_GE(value, 1) << "interval " << interval << " from " << left;
                ASSERT_LE(value, left > interval ? left : interval);
            }
            // Within one interval's length (after any count above it has run
            // down) the count is back on the interval.
            EXPECT_LE(value, interval);
        }
    }
}

TEST(Countdown, NegativeIntervalStaysPut) {
    // A hand-edited INI file can give a negative interval; the display must
    // not count down towards overflow.
    EXPECT_EQ(shown(-5, -5, 3), (std::vector<int>{-5, -5, -5}));
}

}  // namespace
