// Bringing a window to the front under a model of the system's foreground
// lock: a request counts only from the foreground window's thread, or from
// a thread that shares its input.
#include "automation/foreground.h"

#include <gtest/gtest.h>

#include <map>
#include <set>
#include <utility>
#include <vector>

namespace {

struct Desktop {
    unsigned me = 1;
    void *front = nullptr;
    std::map<void *, unsigned> threads;
    std::set<unsigned> hung;
    std::set<std::pair<unsigned, unsigned>> attached;
    std::vector<std::pair<unsigned, int>> attach_calls;  // (to, on)
    int requests = 0;

    bool may_take_foreground() const {
        if (!front)
            return true;
        unsigned owner = threads.at(front);
        return owner == me || attached.count({me, owner});
    }
};

Desktop &desk(void *c) {
    return *static_cast<Desktop *>(c);
}
void set_foreground(void *c, void *w) {
    Desktop &d = desk(c);
    d.requests++;
    if (d.may_take_foreground())
        d.front = w;
}
void *get_foreground(void *c) {
    return desk(c).front;
}
unsigned thread_of(void *c, void *w) {
    auto it = desk(c).threads.find(w);
    return it == desk(c).threads.end() ? 0 : it->second;
}
unsigned own_thread(void *c) {
    return desk(c).me;
}
int answers(void *c, void *w) {
    return !desk(c).hung.count(thread_of(c, w));
}
int attach(void *c, unsigned from, unsigned to, int on) {
    Desktop &d = desk(c);
    d.attach_calls.push_back({to, on});
    if (on)
        d.attached.insert({from, to});
    else
        d.attached.erase({from, to});
    return 1;
}

int frame, users_window, own_window;

struct Fixture {
    Desktop d;
    ForegroundOps ops = {set_foreground, get_foreground, thread_of, own_thread,
                         answers,        attach,         &d};
    Fixture() {
        d.threads[&frame] = 7;
        d.threads[&users_window] = 9;
        d.threads[&own_window] = d.me;
    }
};

}  // namespace

TEST(BringToFront, AnotherProgramsWindowInFrontIsPassedThroughItsThreadsInput) {
    Fixture f;
    f.d.front = &users_window;
    EXPECT_EQ(bring_to_front(&frame, &f.ops), 1);
    EXPECT_EQ(f.d.front, &frame);
    // Attached to the foreground window's thread, and detached at once.
    std::vector<std::pair<unsigned, int>> calls = {{9, 1}, {9, 0}};
    EXPECT_EQ(f.d.attach_calls, calls);
    EXPECT_TRUE(f.d.attached.empty());
}

TEST(BringToFront, GrantedAtOnceNeedsNoAttaching) {
    for (void *start : {static_cast<void *>(nullptr), static_cast<void *>(&own_window),
                        static_cast<void *>(&frame)}) {
        Fixture f;
        f.d.front = start;
        EXPECT_EQ(bring_to_front(&frame, &f.ops), 1);
        EXPECT_EQ(f.d.requests, 1);
        EXPECT_TRUE(f.d.attach_calls.empty());
    }
}

TEST(BringToFront, NeverSharesTheInputOfAHungThread) {
    Fixture f;
    f.d.front = &users_window;
    f.d.hung.insert(9);
    EXPECT_EQ(bring_to_front(&frame, &f.ops), 0);
    EXPECT_EQ(f.d.front, &users_window);
    EXPECT_TRUE(f.d.attach_calls.empty());
}
