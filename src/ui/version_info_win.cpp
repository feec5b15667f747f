// Strings of a file's version block, found under whichever language and
// code page the file filed them.
#include "ui/version_info_win.h"

#include <stdlib.h>

#include "text/bounded_copy.h"
#include "text/text_rules.h"
#include "ui/version_paths.h"

void *load_version_block(const char *file_name, DWORD **translation) {
    DWORD ignored = 0;
    DWORD size = GetFileVersionInfoSizeA(file_name, &ignored);
    if (size == 0)
        return nullptr;
    void *block = malloc(size);
    if (!block)
        return nullptr;
    if (!GetFileVersionInfoA(file_name, 0, size, block)) {
        free(block);
        return nullptr;
    }
    void *value = nullptr;
    UINT length = 0;
    // A Translation value too short to hold one entry counts as none, so
    // that the caller never reads past it.
    if (!VerQueryValueA(block, "\\VarFileInfo\\Translation", &value, &length) || !value ||
        length < sizeof(DWORD)) {
        free(block);
        return nullptr;
    }
    *translation = static_cast<DWORD *>(value);
    return block;
}

// Looks one string field up in the table of lang and codepage.
static int lookup_string(char *out, size_t out_size, const void *block, unsigned lang,
                         unsigned codepage, const char *field) {
    char path[128];
    if (!format_version_path(path, sizeof path, lang, codepage, field))
        return 0;
    void *value = nullptr;
    UINT length = 0;
    if (!VerQueryValueA(block, path, &value, &length) || !value)
        return 0;
    // The text is terminated inside the block; the length reported is in
    // characters of the stored text, not bytes of the ANSI copy, so it is
    // not used to bound the copy.
    copy_whole_chars(out, out_size, static_cast<const char *>(value), system_text_rules());
    return 1;
}

int query_version_string(char *out, size_t out_size, const void *block, DWORD translation,
                         const char *field) {
    if (out_size == 0)
        return 0;
    if (lookup_string(out, out_size, block, LOWORD(translation), HIWORD(translation), field))
        return 1;
    // The table may be filed under another language or code page than the
    // translation names: try the usual ones, code page outer.
    for (unsigned short codepage : version_codepages) {
        for (unsigned short lang : version_languages) {
            if (lookup_string(out, out_size, block, lang, codepage, field))
                return 1;
        }
    }
    out[0] = 0;
    return 0;
}
