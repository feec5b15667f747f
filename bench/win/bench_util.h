// Small helpers shared by the bench programs: a millisecond clock, medians
// and the one line format in which every figure is printed.
#ifndef YARROWMELD_BENCH_UTIL_H
#define YARROWMELD_BENCH_UTIL_H

#include <windows.h>
#include <stdio.h>
#include <stdlib.h>

#include "bench_ids.h"

static inline double bench_now_ms(void) {
    static LARGE_INTEGER frequency;
    if (!frequency.QuadPart)
        QueryPerformanceFrequency(&frequency);
    LARGE_INTEGER now;
    QueryPerformanceCounter(&now);
    return static_cast<double>(now.QuadPart) * 1000.0 / static_cast<double>(frequency.QuadPart);
}

static inline int bench_compare_doubles(const void *a, const void *b) {
    double x = *static_cast<const double *>(a), y = *static_cast<const double *>(b);
    return x < y ? -1 : x > y ? 1 : 0;
}

// Median of n samples (sorted in place); 0 for none.
static inline double bench_median(double *samples, int n) {
    if (n <= 0)
        return 0;
    qsort(samples, static_cast<size_t>(n), sizeof *samples, bench_compare_doubles);
    return n % 2 ? samples[n / 2] : (samples[n / 2 - 1] + samples[n / 2]) / 2;
}

// One figure: RESULT|key|label|ours|baseline|unit|ratio|target|verdict. The
// run script turns these lines into the report's table. verdict is "met",
// "MISSED" or "-" (a figure without a target of its own).
static inline void bench_result(const char *key, const char *label, double ours, double base,
                                const char *unit, const char *target, const char *verdict) {
    char ratio[32];
    if (base > 0)
        snprintf(ratio, sizeof ratio, "%.3f", ours / base);
    else
        snprintf(ratio, sizeof ratio, "-");
    printf("RESULT|%s|%s|%.6g|%.6g|%s|%s|%s|%s\n", key, label, ours, base, unit, ratio, target,
           verdict);
    fflush(stdout);
}

// A figure whose target is a largest ratio to the baseline.
static inline void bench_ratio_result(const char *key, const char *label, double ours, double base,
                                      const char *unit, double max_ratio) {
    char target[32];
    snprintf(target, sizeof target, "ratio <= %.2g", max_ratio);
    bench_result(key, label, ours, base, unit, target,
                 base > 0 && ours / base <= max_ratio ? "met" : "MISSED");
}

// Posts that a chat page has shown so far, -1 when it cannot tell: the chat
// simulator adds a line to the list box in its frame for each Enter, the
// bench's stand-in page counts them itself.
static inline long bench_posts_seen(HWND frame, HWND page) {
    DWORD_PTR result = 0;
    HWND list = frame ? FindWindowExA(frame, nullptr, "ListBox", nullptr) : nullptr;
    if (list) {
        if (!SendMessageTimeoutA(list, LB_GETCOUNT, 0, 0, SMTO_NORMAL, 5000, &result))
            return -1;
        return static_cast<long>(result);
    }
    if (!SendMessageTimeoutA(page, SINK_COUNT, 0, 0, SMTO_NORMAL, 5000, &result) || !result)
        return -1;
    return static_cast<long>(result) - 1;
}

#endif
