#include "app/tray_register.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

// A shell that answers the adds and modifies from a script and writes down
// every call: A (add), W<ms> (wait), M (modify), U (undo).
struct ScriptedShell {
    ScriptedShell(std::vector<int> a, std::vector<int> m) : adds(a), modifies(m) {}
    std::vector<int> adds;      // one TRAY_ADD_ result per add
    std::vector<int> modifies;  // one result per modify
    size_t next_add = 0, next_modify = 0;
    std::string calls;
};

int add(void *context) {
    ScriptedShell *s = static_cast<ScriptedShell *>(context);
    s->calls += "A";
    return s->next_add < s->adds.size() ? s->adds[s->next_add++] : TRAY_ADD_FAILED;
}

void wait(void *context, unsigned ms) {
    static_cast<ScriptedShell *>(context)->calls += "W" + std::to_string(ms);
}

int modify(void *context) {
    ScriptedShell *s = static_cast<ScriptedShell *>(context);
    s->calls += "M";
    return s->next_modify < s->modifies.size() ? s->modifies[s->next_modify++] : 0;
}

void undo(void *context) {
    static_cast<ScriptedShell *>(context)->calls += "U";
}

struct Case {
    const char *name;
    std::vector<int> adds;
    std::vector<int> modifies;
    const char *calls;
    int result;
};

std::string repeat(const std::string &s, int n) {
    std::string out;
    for (int i = 0; i < n; ++i) out += s;
    return out;
}

TEST(TrayRegister, AttemptsFollowTheShellsAnswers) {
    const Case cases[] = {
        // An icon at once: one add and nothing else.
        {"added", {TRAY_ADD_DONE}, {}, "A", 1},
        // No tray at all: no wait, no undo (the menu stays for the next
        // "TaskbarCreated"), and no fatal report.
        {"failed", {TRAY_ADD_FAILED}, {}, "A", 1},
        // A busy shell that takes the icon after the wait.
        {"modified after the wait", {TRAY_ADD_TIMED_OUT}, {1}, "AW5000M", 1},
        // The second attempt's add works: the first is undone before it.
        {"second add", {TRAY_ADD_TIMED_OUT, TRAY_ADD_DONE}, {0}, "AW5000MUA", 1},
        // A time-out, then a shell that is gone: given up quietly.
        {"time-out then failure", {TRAY_ADD_TIMED_OUT, TRAY_ADD_FAILED}, {0}, "AW5000MUA", 1},
        // The fifth attempt's modify still counts.
        {"fifth modify",
         std::vector<int>(5, TRAY_ADD_TIMED_OUT),
         {0, 0, 0, 0, 1},
         "AW5000MUAW5000MUAW5000MUAW5000MUAW5000M",
         1},
    };
    for (const Case &c : cases) {
        ScriptedShell shell(c.adds, c.modifies);
        const TrayRegisterSteps steps = {&shell, add, wait, modify, undo};
        EXPECT_EQ(register_with_retries(&steps), c.result) << c.name;
        EXPECT_EQ(shell.calls, c.calls) << c.name;
    }
}

TEST(TrayRegister, GivesUpAfterFiveTimedOutAttempts) {
    // Every attempt times out and fails to modify: five waits of 5000 ms,
    // each attempt undone, no sixth add, and the caller is told to report.
    ScriptedShell shell(std::vector<int>(10, TRAY_ADD_TIMED_OUT), std::vector<int>(10, 0));
    const TrayRegisterSteps steps = {&shell, add, wait, modify, undo};
    EXPECT_EQ(register_with_retries(&steps), 0);
    EXPECT_EQ(shell.calls, repeat("AW5000MU", 5));
}

}  // namespace
