// The program's command line.
#ifndef YARROWMELD_COMMAND_LINE_H
#define YARROWMELD_COMMAND_LINE_H

// 1 for the readme command-line option: exactly "-?", "-H" or "-h".
int is_readme_option(const char *arg);

#endif
