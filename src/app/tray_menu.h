// The entries of the tray menu, apart from the menu calls that build it.
#ifndef YARROWMELD_TRAY_MENU_H
#define YARROWMELD_TRAY_MENU_H

// One entry: a command with its text, or a separator (id 0, no text).
struct TrayMenuEntry {
    int id;
    const char *text;
};

enum { TRAY_MENU_MAX_ENTRIES = 13 };

// Fills out (room for TRAY_MENU_MAX_ENTRIES) with the entries from top to
// bottom and returns their number: 13 with the readme entry and the
// separator above it when readme_available is 1, else 11.
int tray_menu_entries(int readme_available, TrayMenuEntry *out);

#endif
