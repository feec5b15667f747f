// The platform seam on POSIX, so that the window-free logic builds and is
// tested natively: the C heap, POSIX files, and an emulation of the ANSI code
// page's lead bytes. It also carries the test controls of platform_test.h.
#include "platform/platform.h"
#include "platform_test.h"

#include <errno.h>
#include <fcntl.h>
#include <iconv.h>
#include <malloc.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <sys/stat.h>
#include <unistd.h>

// Larger files are refused: the reader adds a terminator byte, and the INI
// engine counts in ints.
static const size_t kMaxFileSize = 0x7FFFFFFE;

static long g_alloc_skip;
static long g_alloc_fail;
static long g_live_blocks;
static size_t g_live_bytes;
static size_t g_peak_bytes;

void *plat_alloc(size_t size, int zero) {
    if (g_alloc_skip > 0) {
        --g_alloc_skip;
    } else if (g_alloc_fail != 0) {
        if (g_alloc_fail > 0)
            --g_alloc_fail;
        return nullptr;
    }
    if (size == 0)
        size = 1;
    void *block = zero ? calloc(1, size) : malloc(size);
    if (!block)
        return nullptr;
    ++g_live_blocks;
    g_live_bytes += malloc_usable_size(block);
    if (g_live_bytes > g_peak_bytes)
        g_peak_bytes = g_live_bytes;
    return block;
}

void plat_free(void *block) {
    if (!block)
        return;
    --g_live_blocks;
    g_live_bytes -= malloc_usable_size(block);
    free(block);
}

void plat_test_fail_allocs(long skip, long fail) {
    g_alloc_skip = skip;
    g_alloc_fail = fail;
}
long plat_test_live_blocks(void) {
    return g_live_blocks;
}
size_t plat_test_peak_bytes(void) {
    return g_peak_bytes;
}
void plat_test_reset_peak(void) {
    g_peak_bytes = g_live_bytes;
}

int plat_read_file(const char *path, char **data, size_t *size) {
    int fd = open(path, O_RDONLY | O_CLOEXEC);
    if (fd < 0)
        return 0;
    struct stat st;
    // A directory opens fine on POSIX but is no file to read.
    if (fstat(fd, &st) != 0 || !S_ISREG(st.st_mode) || st.st_size < 0 ||
        (unsigned long long)st.st_size > kMaxFileSize) {
        close(fd);
        return 0;
    }
    size_t want = (size_t)st.st_size;
    char *buffer = (char *)plat_alloc(want + 1, 0);
    if (!buffer) {
        close(fd);
        return 0;
    }
    size_t got = 0;
    while (got < want) {
        ssize_t n = read(fd, buffer + got, want - got);
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0) {
            plat_free(buffer);
            close(fd);
            return 0;
        }
        if (n == 0)
            break;  // the file shrank meanwhile: take what is there
        got += (size_t)n;
    }
    close(fd);
    buffer[got] = '\0';
    *data = buffer;
    *size = got;
    return 1;
}

int plat_path_present(const char *path) {
    if (!path[0])
        return 0;
    struct stat st;
    if (stat(path, &st) == 0)
        return 1;
    return errno != ENOENT && errno != ENOTDIR && errno != ENAMETOOLONG;
}

static PlatWriteFault g_write_fault = PLAT_WRITE_NO_FAULT;
static size_t g_write_fault_bytes;
static int g_sync = 1;

void plat_test_fail_write(PlatWriteFault fault, size_t bytes) {
    g_write_fault = fault;
    g_write_fault_bytes = bytes;
}

void plat_test_set_sync(int on) {
    g_sync = on;
}

static int write_all(int fd, const char *data, size_t size) {
    size_t done = 0;
    while (done < size) {
        size_t chunk = size - done;
        if (g_write_fault == PLAT_WRITE_FAIL_WRITE) {
            if (done >= g_write_fault_bytes) {
                errno = ENOSPC;
                return 0;
            }
            if (chunk > g_write_fault_bytes - done)
                chunk = g_write_fault_bytes - done;
        }
        ssize_t n = write(fd, data + done, chunk);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            return 0;
        done += (size_t)n;
    }
    return 1;
}

// Makes the rename itself durable; a failure here is no reason to report
// the save as failed, since the new file is complete either way.
static void sync_folder(const char *path) {
    const char *slash = strrchr(path, '/');
    char folder[4096];
    if (!slash) {
        strcpy(folder, ".");
    } else if ((size_t)(slash - path) < sizeof(folder)) {
        size_t n = slash == path ? 1 : (size_t)(slash - path);
        memcpy(folder, path, n);
        folder[n] = '\0';
    } else {
        return;
    }
    int fd = open(folder, O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0)
        return;
    fsync(fd);
    close(fd);
}

int plat_write_file(const char *path, const char *data, size_t size) {
    static unsigned counter;
    if (!path[0])
        return 0;
    const char *slash = strrchr(path, '/');
    int folder_len = slash ? (int)(slash - path + 1) : 0;
    size_t temp_size = (size_t)folder_len + 40;
    char *temp = (char *)malloc(temp_size);
    if (!temp)
        return 0;
    // The temporary file sits beside the old one, so that the rename stays
    // within one file system and replaces it in one step. Its name ("~" and
    // at most 8 hex digits, 13 bytes) is no longer than the settings file's
    // own, so it fits wherever that path fits; one that is taken is passed
    // over for the next.
    int fd = -1;
    unsigned seed = (unsigned)getpid() << 16;
    for (int attempt = 0; attempt < 100 && fd < 0; ++attempt) {
        snprintf(temp, temp_size, "%.*s~%x.tmp", folder_len, path, seed + counter++);
        if (g_write_fault == PLAT_WRITE_FAIL_CREATE)
            break;
        fd = open(temp, O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
        if (fd < 0 && errno != EEXIST)
            break;
    }
    if (fd < 0) {
        free(temp);
        return 0;
    }
    int ok = write_all(fd, data, size);
    if (ok && g_write_fault == PLAT_WRITE_FAIL_SYNC)
        ok = 0;
    if (ok && g_sync)
        ok = fsync(fd) == 0;
    if (close(fd) != 0)
        ok = 0;
    if (ok && g_write_fault == PLAT_WRITE_FAIL_REPLACE)
        ok = 0;
    if (ok)
        ok = rename(temp, path) == 0;
    if (!ok) {
        unlink(temp);
    } else if (g_sync) {
        sync_folder(path);
    }
    free(temp);
    return ok;
}

int plat_stricmp(const char *a, const char *b) {
    // Folds A to Z only, like the hash: the result does not depend on the
    // C library's locale.
    for (;; ++a, ++b) {
        unsigned char ca = (unsigned char)*a;
        unsigned char cb = (unsigned char)*b;
        if (ca >= 'A' && ca <= 'Z')
            ca = (unsigned char)(ca + 32);
        if (cb >= 'A' && cb <= 'Z')
            cb = (unsigned char)(cb + 32);
        if (ca != cb)
            return ca < cb ? -1 : 1;
        if (!ca)
            return 0;
    }
}

static int g_code_page = 932;

void plat_set_test_code_page(int code_page) {
    g_code_page = code_page;
}

// Bytes of the UTF-8 sequence that starts at text (at most left), or 0 when
// none starts there.
static size_t utf8_sequence(const unsigned char *text, size_t left) {
    size_t n = text[0] < 0x80                       ? 1
               : text[0] >= 0xC2 && text[0] <= 0xDF ? 2
               : text[0] >= 0xE0 && text[0] <= 0xEF ? 3
               : text[0] >= 0xF0 && text[0] <= 0xF4 ? 4
                                                    : 0;
    if (n == 0 || n > left)
        return 0;
    for (size_t i = 1; i < n; i++)
        if ((text[i] & 0xC0) != 0x80)
            return 0;
    return n;
}

// The emulated code page's conversion through iconv; what it cannot take
// (no UTF-8, or no character of the code page) becomes "?", as it does
// under Windows' conversion with its default character.
int plat_utf8_to_ansi(const char *text, size_t size, char **out, size_t *out_size) {
    // No code page takes more bytes for a character than UTF-8 does, and a
    // replaced byte becomes one "?".
    char *ansi = (char *)plat_alloc(size + 1, 0);
    if (!ansi)
        return 0;
    char name[16];
    snprintf(name, sizeof name, "CP%d", g_code_page);
    iconv_t cd = iconv_open(name, "UTF-8");
    if (cd == (iconv_t)-1)
        cd = iconv_open("ASCII", "UTF-8");
    if (cd == (iconv_t)-1) {
        plat_free(ansi);
        return 0;
    }
    char *in = (char *)text;
    size_t in_left = size;
    char *to = ansi;
    size_t to_left = size;
    while (in_left > 0) {
        if (iconv(cd, &in, &in_left, &to, &to_left) != (size_t)-1)
            break;
        if (errno == E2BIG || to_left == 0) {
            iconv_close(cd);
            plat_free(ansi);
            return 0;
        }
        // One character or byte that does not convert.
        size_t skip = utf8_sequence((const unsigned char *)in, in_left);
        in += skip ? skip : 1;
        in_left -= skip ? skip : 1;
        *to++ = '?';
        --to_left;
    }
    iconv_close(cd);
    *out_size = (size_t)(to - ansi);
    ansi[*out_size] = '\0';
    *out = ansi;
    return 1;
}

int plat_is_lead_byte(unsigned char c) {
    switch (g_code_page) {
        case 932:
            return (c >= 0x81 && c <= 0x9F) || (c >= 0xE0 && c <= 0xFC);
        case 936:
        case 949:
        case 950:
            return c >= 0x81 && c <= 0xFE;
        default:
            return 0;
    }
}

int plat_is_dbcs(void) {
    return g_code_page == 932 || g_code_page == 936 || g_code_page == 949 || g_code_page == 950;
}
