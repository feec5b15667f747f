// Where the about dialog looks for its texts in a version block.
#ifndef YARROWMELD_VERSION_PATHS_H
#define YARROWMELD_VERSION_PATHS_H

#include <stddef.h>

// "\StringFileInfo\%04x%04x\%s" into out (out_size bytes, always
// terminated); returns 1 when it fitted, 0 when cut.
int format_version_path(char *out, size_t out_size, unsigned lang, unsigned codepage,
                        const char *field);
// The fallback tables of the version search.
extern const unsigned short version_codepages[12];
extern const unsigned short version_languages[45];

#endif
