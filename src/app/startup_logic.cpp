#include "app/startup_logic.h"

namespace {

const char ini_name[] = "\\Yarrowmeld.ini";

}  // namespace

int build_ini_path(char *out, size_t out_size, const char *module_path, const TextRules *tr) {
    if (!module_path)
        module_path = "";

    // Last backslash that is a character of its own: the second byte of a
    // double-byte character may be 0x5C too and must not cut a folder name.
    size_t cut = 0;
    size_t i = 0;
    while (module_path[i]) {
        int bytes = text_char_bytes(module_path + i, tr);
        if (bytes == 0)
            break;
        if (bytes == 1 && module_path[i] == '\\')
            cut = i;
        i += bytes;
    }

    size_t name_length = sizeof ini_name - 1;
    if (out_size == 0)
        return 0;
    if (cut + name_length + 1 > out_size) {
        out[0] = 0;
        return 0;
    }
    for (size_t k = 0; k < cut; k++) out[k] = module_path[k];
    for (size_t k = 0; k <= name_length; k++) out[cut + k] = ini_name[k];
    return 1;
}

void reveal_hidden_name(char *name) {
    for (; *name; name++) *name = (char)((unsigned char)*name & 0x7F);
}

int is_readme_option(const char *arg) {
    if (!arg || arg[0] != '-')
        return 0;
    char c = arg[1];
    return (c == '?' || c == 'H' || c == 'h') && arg[2] == 0;
}
