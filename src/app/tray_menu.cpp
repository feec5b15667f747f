#include "app/tray_menu.h"

#include "app/ids.h"

namespace {

struct Command {
    TrayMenuEntry entry;
    int readme_only;
};

// The gaps in the two-character texts are ideographic spaces, and the
// katakana of the about and status entries are half-width.
const Command commands[] = {
    {{IDM_STOP, "停　止 (&E)"}, 0},
    {{IDM_START, "開　始 (&G)"}, 0},
    {{IDM_ABOUT, "ﾊﾞｰｼﾞｮﾝ情報 (&A)"}, 0},
    {{IDM_STATUS, "ｽﾃｰﾀｽ表示 (&T)"}, 0},
    {{IDM_SETTINGS, "設　定 (&S)"}, 0},
    {{IDM_README, "Readme.txt の表示 (&B)"}, 1},  // only beside a Readme.txt
    {{IDM_EXIT, "終　了 (&X)"}, 0},
};

// Room for all of them with a separator between each two.
static_assert(2 * (sizeof commands / sizeof commands[0]) - 1 == TRAY_MENU_MAX_ENTRIES, "");

}  // namespace

int tray_menu_entries(int readme_available, TrayMenuEntry *out) {
    int count = 0;
    for (const Command &command : commands) {
        if (command.readme_only && readme_available != 1)
            continue;
        // A separator between each two commands shown.
        if (count > 0)
            out[count++] = TrayMenuEntry{0, nullptr};
        out[count++] = command.entry;
    }
    return count;
}
