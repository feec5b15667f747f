// Window-free pieces of start-up.
#ifndef YARROWMELD_STARTUP_LOGIC_H
#define YARROWMELD_STARTUP_LOGIC_H

#include <stddef.h>

#include "text/text_rules.h"

// The INI path: the directory of module_path (cut at its last backslash,
// found with a scan that never takes the trail byte of a double-byte
// character for a separator) followed by "\Yarrowmeld.ini". A module path
// without a backslash gives "\Yarrowmeld.ini". When the result does not fit
// into out_size bytes, out becomes the empty text and the result is 0 (the
// program then reads defaults and never writes a file somewhere else);
// otherwise 1.
int build_ini_path(char *out, size_t out_size, const char *module_path, const TextRules *tr);

// The hidden single-instance override is stored with bit 7 set on every
// byte; this clears bit 7 of each byte in place up to the terminator.
void reveal_hidden_name(char *name);

// 1 for the readme command-line option: exactly "-?", "-H" or "-h".
int is_readme_option(const char *arg);

#endif
