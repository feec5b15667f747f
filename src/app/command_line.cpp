#include "app/command_line.h"

int is_readme_option(const char *arg) {
    if (!arg || arg[0] != '-')
        return 0;
    char c = arg[1];
    return (c == '?' || c == 'H' || c == 'h') && arg[2] == 0;
}
