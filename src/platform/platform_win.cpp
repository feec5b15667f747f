// The platform seam on Win32: the local heap, CreateFileA files, lstrcmpiA
// and the lead bytes of the ANSI code page.
#include <windows.h>

#include "platform/platform.h"

// Larger files are refused: the reader adds a terminator byte, and the INI
// engine counts in ints.
static const DWORD kMaxFileSize = 0x7FFFFFFE;

void *plat_alloc(size_t size, int zero) {
    return (void *)LocalAlloc(zero ? LPTR : LMEM_FIXED, size ? size : 1);
}

void plat_free(void *block) {
    if (block)
        LocalFree((HLOCAL)block);
}

// How long a file that exists but cannot be opened is tried again: a virus
// scanner or a sync client holds a file it looks at only for a moment.
static const DWORD kReadRetryMs = 2000;
static const DWORD kReadRetryStepMs = 50;

static HANDLE open_for_reading(const char *path) {
    DWORD start = GetTickCount();
    for (;;) {
        HANDLE file = CreateFileA(path, GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, NULL,
                                  OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, NULL);
        if (file != INVALID_HANDLE_VALUE)
            return file;
        DWORD error = GetLastError();
        if (error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND ||
            error == ERROR_INVALID_NAME || GetTickCount() - start >= kReadRetryMs)
            return INVALID_HANDLE_VALUE;
        // A folder opens as nothing to read however long one waits.
        DWORD attributes = GetFileAttributesA(path);
        if (attributes == INVALID_FILE_ATTRIBUTES || (attributes & FILE_ATTRIBUTE_DIRECTORY))
            return INVALID_HANDLE_VALUE;
        Sleep(kReadRetryStepMs);
    }
}

int plat_read_file(const char *path, char **data, size_t *size) {
    HANDLE file = open_for_reading(path);
    if (file == INVALID_HANDLE_VALUE)
        return 0;
    DWORD high = 0;
    DWORD low = GetFileSize(file, &high);
    // Only the low half of a file beyond 4 GiB would be read, and
    // 0xFFFFFFFF + 1 would wrap the buffer size to nothing.
    if ((low == INVALID_FILE_SIZE && GetLastError() != NO_ERROR) || high != 0 ||
        low > kMaxFileSize) {
        CloseHandle(file);
        return 0;
    }
    char *buffer = static_cast<char *>(LocalAlloc(LMEM_FIXED, static_cast<SIZE_T>(low) + 1));
    if (!buffer) {
        CloseHandle(file);
        return 0;
    }
    DWORD got = 0;
    while (got < low) {
        DWORD n = 0;
        if (!ReadFile(file, buffer + got, low - got, &n, NULL)) {
            LocalFree(buffer);
            CloseHandle(file);
            return 0;
        }
        if (n == 0)
            break;  // the file shrank meanwhile: take what is there
        got += n;
    }
    CloseHandle(file);
    buffer[got] = '\0';
    *data = buffer;
    *size = got;
    return 1;
}

int plat_path_present(const char *path) {
    if (!path[0])
        return 0;
    if (GetFileAttributesA(path) != INVALID_FILE_ATTRIBUTES)
        return 1;
    DWORD error = GetLastError();
    return error != ERROR_FILE_NOT_FOUND && error != ERROR_PATH_NOT_FOUND &&
           error != ERROR_INVALID_NAME;
}

int plat_utf8_to_ansi(const char *text, size_t size, char **out, size_t *out_size) {
    // The counts of both conversions are ints.
    if (size > kMaxFileSize)
        return 0;
    int wide_count = size ? MultiByteToWideChar(CP_UTF8, 0, text, (int)size, NULL, 0) : 0;
    if (size && wide_count <= 0)
        return 0;
    WCHAR *wide = (WCHAR *)LocalAlloc(LMEM_FIXED, ((SIZE_T)wide_count + 1) * sizeof(WCHAR));
    if (!wide)
        return 0;
    if (wide_count)
        MultiByteToWideChar(CP_UTF8, 0, text, (int)size, wide, wide_count);
    int count =
        wide_count ? WideCharToMultiByte(CP_ACP, 0, wide, wide_count, NULL, 0, NULL, NULL) : 0;
    char *ansi =
        (wide_count && count <= 0) ? NULL : (char *)LocalAlloc(LMEM_FIXED, (SIZE_T)count + 1);
    if (!ansi) {
        LocalFree(wide);
        return 0;
    }
    if (count)
        WideCharToMultiByte(CP_ACP, 0, wide, wide_count, ansi, count, NULL, NULL);
    LocalFree(wide);
    ansi[count] = '\0';
    *out = ansi;
    *out_size = (size_t)count;
    return 1;
}

static char *append_hex(char *p, DWORD value) {
    char digits[8];
    int n = 0;
    do {
        digits[n++] = "0123456789abcdef"[value & 15];
        value >>= 4;
    } while (value);
    while (n) *p++ = digits[--n];
    return p;
}

static int write_all(HANDLE file, const char *data, size_t size) {
    while (size > 0) {
        DWORD chunk = size > 0x10000000 ? 0x10000000 : static_cast<DWORD>(size);
        DWORD written = 0;
        if (!WriteFile(file, data, chunk, &written, NULL) || written != chunk)
            return 0;
        data += chunk;
        size -= chunk;
    }
    return 1;
}

// Windows does not let a move replace a read-only file, nor one that
// another handle holds without FILE_SHARE_DELETE; Wine's rename checks
// neither. Asking first gives the same answer on both, so such a file is
// left alone under Wine too.
static int may_replace(const char *path) {
    DWORD attributes = GetFileAttributesA(path);
    if (attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_READONLY))
        return 0;
    HANDLE old = CreateFileA(path, DELETE, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                             NULL, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, NULL);
    if (old != INVALID_HANDLE_VALUE) {
        CloseHandle(old);
        return 1;
    }
    return GetLastError() != ERROR_SHARING_VIOLATION;
}

int plat_write_file(const char *path, const char *data, size_t size) {
    static DWORD counter;
    if (!path[0])
        return 0;
    int path_len = lstrlenA(path);
    int folder_len = path_len;
    while (folder_len > 0 && path[folder_len - 1] != '\\' && path[folder_len - 1] != '/' &&
           path[folder_len - 1] != ':')
        --folder_len;
    char *temp = static_cast<char *>(LocalAlloc(LMEM_FIXED, static_cast<SIZE_T>(folder_len) + 32));
    if (!temp)
        return 0;
    // The temporary file sits beside the old one, so that the move stays
    // within one volume and replaces it in one step. Its name ("~" and at
    // most 8 hex digits, 13 bytes) is no longer than the settings file's
    // own, so it fits wherever that path fits within MAX_PATH; one that is
    // taken is passed over for the next.
    HANDLE file = INVALID_HANDLE_VALUE;
    DWORD seed = GetCurrentProcessId() << 16;
    for (int attempt = 0; attempt < 100 && file == INVALID_HANDLE_VALUE; ++attempt) {
        char *p = temp;
        CopyMemory(p, path, static_cast<SIZE_T>(folder_len));
        p += folder_len;
        *p++ = '~';
        p = append_hex(p, seed + counter++);
        lstrcpyA(p, ".tmp");
        file = CreateFileA(temp, GENERIC_WRITE, 0, NULL, CREATE_NEW, FILE_ATTRIBUTE_NORMAL, NULL);
        if (file == INVALID_HANDLE_VALUE && GetLastError() != ERROR_FILE_EXISTS &&
            GetLastError() != ERROR_ALREADY_EXISTS)
            break;
    }
    if (file == INVALID_HANDLE_VALUE) {
        LocalFree(temp);
        return 0;
    }
    int ok = write_all(file, data, size) && FlushFileBuffers(file);
    if (!CloseHandle(file))
        ok = 0;
    if (ok && !may_replace(path))
        ok = 0;
    // The old file is replaced only now that the new text is complete on
    // the disk; WRITE_THROUGH returns only once the move itself is.
    if (ok)
        ok = MoveFileExA(temp, path, MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH) != 0;
    if (!ok)
        DeleteFileA(temp);
    LocalFree(temp);
    return ok;
}

int plat_stricmp(const char *a, const char *b) {
    return lstrcmpiA(a, b);
}

int plat_is_lead_byte(unsigned char c) {
    return IsDBCSLeadByte(c) ? 1 : 0;
}

int plat_is_dbcs(void) {
    CPINFO info;
    return GetCPInfo(CP_ACP, &info) && info.MaxCharSize > 1;
}
