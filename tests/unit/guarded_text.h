// A text placed so that its terminator is the last readable byte before an
// inaccessible page: a function that reads past the end of the text crashes
// the test instead of reading whatever happens to follow.
#ifndef YARROWMELD_TESTS_GUARDED_TEXT_H
#define YARROWMELD_TESTS_GUARDED_TEXT_H

#include <sys/mman.h>
#include <unistd.h>

#include <cstring>

class GuardedText {
public:
    explicit GuardedText(const char *text) {
        page_ = (size_t)sysconf(_SC_PAGESIZE);
        size_t length = strlen(text);
        pages_ = (length + 1 + page_ - 1) / page_ + 1;
        base_ = (char *)mmap(nullptr, pages_ * page_, PROT_READ | PROT_WRITE,
                             MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
        char *guard = base_ + (pages_ - 1) * page_;
        mprotect(guard, page_, PROT_NONE);
        text_ = guard - (length + 1);
        memcpy(text_, text, length + 1);
    }
    ~GuardedText() { munmap(base_, pages_ * page_); }
    GuardedText(const GuardedText &) = delete;
    GuardedText &operator=(const GuardedText &) = delete;

    char *get() const { return text_; }

private:
    size_t page_ = 0;
    size_t pages_ = 0;
    char *base_ = nullptr;
    char *text_ = nullptr;
};

#endif
