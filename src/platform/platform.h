// The platform seam of the portable code: the only things the INI engine,
// the title rules and the other window-free logic need from the system.
// platform_win.cpp implements it with Win32 (LocalAlloc, CreateFileA,
// lstrcmpiA, IsDBCSLeadByte); tests/support/platform_posix.cpp with the C
// library, so that the same logic builds and is tested natively on Linux.
#ifndef YARROWMELD_PLATFORM_H
#define YARROWMELD_PLATFORM_H

#include <stddef.h>

// Heap block; zero != 0 fills it with zero bytes. Null on failure.
void *plat_alloc(size_t size, int zero);
// Releases a block of plat_alloc (null is allowed).
void plat_free(void *block);

// Reads a whole file into a new block of size + 1 bytes whose last byte is
// NUL. 1 on success (*data owned by the caller, freed with plat_free),
// 0 on any failure (nothing to free). On Win32 a file that is there but
// cannot be opened (another program holds it without sharing) is tried
// again for about 2 s first.
int plat_read_file(const char *path, char **data, size_t *size);
// Whether anything is at path (a file or a folder). 1 as well when the
// system cannot tell (the folder may not be listed): only a path that
// names nothing gives 0, so a failed read of a file that is there is never
// taken for a missing file.
int plat_path_present(const char *path);

// Replaces the file at path with exactly size bytes of data. The old file
// stays whole unless the new content is completely on disk: the text goes
// to a temporary file in the same folder first, which then takes the old
// file's place in one step. 1 on success, 0 on failure; an empty path
// fails at once and writes nothing.
int plat_write_file(const char *path, const char *data, size_t size);

// Converts size bytes of UTF-8 (NUL bytes included) to the ANSI code page
// into a new block of *out_size + 1 bytes whose last byte is NUL (freed
// with plat_free). A character the code page lacks, and a byte that is no
// UTF-8, becomes a replacement character of the code page. 1 on success,
// 0 when memory is short (nothing to free).
int plat_utf8_to_ansi(const char *text, size_t size, char **out, size_t *out_size);

// Case-insensitive comparison in the manner of lstrcmpiA: <0, 0, >0.
int plat_stricmp(const char *a, const char *b);

// Lead-byte test of the ANSI code page (IsDBCSLeadByte).
int plat_is_lead_byte(unsigned char c);
// 1 when the ANSI code page is a double-byte one (code page 932 and kin).
int plat_is_dbcs(void);

#endif
