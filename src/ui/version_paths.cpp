#include "ui/version_paths.h"

namespace {

const char hex_digits[] = "0123456789abcdef";

}  // namespace

const unsigned short version_codepages[12] = {0,    932,  949,  950,  1200, 1250,
                                              1251, 1252, 1253, 1254, 1255, 1256};

const unsigned short version_languages[45] = {
    1025, 1026, 1027, 1028, 1029, 1030, 1031, 1032, 1033, 1034, 1035, 1036, 1037, 1038, 1039,
    1040, 1041, 1042, 1043, 1044, 1045, 1046, 1047, 1048, 1049, 1050, 1051, 1052, 1053, 1054,
    1055, 1056, 1057, 2052, 2055, 2057, 2058, 2060, 2064, 2067, 2068, 2070, 2074, 3084, 4108};

int format_version_path(char *out, size_t out_size, unsigned lang, unsigned codepage,
                        const char *field) {
    if (out_size == 0)
        return 0;
    char digits[9];
    // Each number as exactly four hex digits: a 16-bit language, then a
    // 16-bit code page, as the keys of a version block's string tables.
    unsigned pair = ((lang & 0xFFFFu) << 16) | (codepage & 0xFFFFu);
    for (int i = 0; i < 8; i++) digits[i] = hex_digits[(pair >> (28 - 4 * i)) & 0xF];
    digits[8] = 0;

    const char *parts[] = {"\\StringFileInfo\\", digits, "\\", field ? field : ""};
    size_t n = 0;
    for (const char *part : parts) {
        for (; *part; part++) {
            if (n + 1 >= out_size) {
                out[n] = 0;
                return 0;
            }
            out[n++] = *part;
        }
    }
    out[n] = 0;
    return 1;
}
