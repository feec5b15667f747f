// Strings of a file's version block.
#ifndef YARROWMELD_VERSION_INFO_WIN_H
#define YARROWMELD_VERSION_INFO_WIN_H

#include <windows.h>

// The file's version block (free it with free) and its first translation;
// nullptr when it has none.
void *load_version_block(const char *file_name, DWORD **translation);
// Copies the string field of the block, cut at a whole character, into out;
// 1 when found, else 0 with out empty. Falls back to the usual languages
// and code pages when the translation names none of the file's tables.
int query_version_string(char *out, size_t out_size, const void *block, DWORD translation,
                         const char *field);

#endif
