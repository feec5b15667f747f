// Test controls of the native (POSIX) platform seam: code page emulation,
// fault injection and allocation accounting. Only platform_posix.cpp
// implements these; the Windows build never includes this header.
#ifndef YARROWMELD_PLATFORM_TEST_H
#define YARROWMELD_PLATFORM_TEST_H

#include <stddef.h>

// The ANSI code page the lead-byte test and plat_is_dbcs emulate: 932 (the
// default), 936, 949 and 950 are double-byte, anything else single-byte.
void plat_set_test_code_page(int code_page);

// After skip more successful allocations, the next fail allocations of
// plat_alloc return null (a negative fail: all of them); then it works
// again. plat_test_fail_allocs(0, 0) lifts any such limit.
void plat_test_fail_allocs(long skip, long fail);
// Blocks from plat_alloc not yet freed.
long plat_test_live_blocks(void);
// Most bytes held at once since the last reset (usable sizes of the blocks).
size_t plat_test_peak_bytes(void);
void plat_test_reset_peak(void);

enum PlatWriteFault {
    PLAT_WRITE_NO_FAULT = 0,
    PLAT_WRITE_FAIL_CREATE,   // the temporary file cannot be created
    PLAT_WRITE_FAIL_WRITE,    // the disk fills up after `bytes` bytes
    PLAT_WRITE_FAIL_SYNC,     // flushing to the disk fails
    PLAT_WRITE_FAIL_REPLACE,  // the temporary file cannot take the old one's place
};
// Makes every plat_write_file fail at the given step until it is called
// again with PLAT_WRITE_NO_FAULT.
void plat_test_fail_write(PlatWriteFault fault, size_t bytes);
// on == 0 skips fsync in plat_write_file (for the fuzzer, which writes a
// file per input); the default is 1.
void plat_test_set_sync(int on);

#endif
