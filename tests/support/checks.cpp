#include "checks.h"

#include <cstdio>
#include <cstring>

namespace checks {

namespace {
int checks_made = 0;
int checks_failed = 0;
}  // namespace

std::string quote(const std::string &bytes) {
    std::string out = "\"";
    for (unsigned char c : bytes) {
        if (c == '\\' || c == '"') {
            out += '\\';
            out += static_cast<char>(c);
        } else if (c >= 0x20 && c < 0x7F) {
            out += static_cast<char>(c);
        } else {
            char buf[8];
            snprintf(buf, sizeof buf, "\\x%02X", c);
            out += buf;
        }
    }
    return out + "\"";
}

std::string quote(const std::wstring &text) {
    std::string out = "L\"";
    for (wchar_t c : text) {
        if (c >= 0x20 && c < 0x7F && c != '\\' && c != '"') {
            out += static_cast<char>(c);
        } else {
            char buf[8];
            snprintf(buf, sizeof buf, "\\u%04X", static_cast<unsigned>(c));
            out += buf;
        }
    }
    return out + "\"";
}

bool report(bool ok, const char *file, int line, const std::string &what) {
    ++checks_made;
    if (!ok) {
        ++checks_failed;
        const char *base = strrchr(file, '/');
        base = base ? base + 1 : file;
        printf("%s:%d: FAILED: %s\n", base, line, what.c_str());
        fflush(stdout);
    }
    return ok;
}

int count(void) {
    return checks_made;
}

int failures(void) {
    return checks_failed;
}

void reset(void) {
    checks_made = checks_failed = 0;
}

int finish(void) {
    printf("%d passed, %d failed\n", checks_made - checks_failed, checks_failed);
    fflush(stdout);
    return checks_failed || !checks_made ? 1 : 0;
}

std::string describe_eq(const char *a_expr, const char *b_expr, const std::string &a,
                        const std::string &b) {
    return std::string("CHECK_EQ(") + a_expr + ", " + b_expr + ")\n    left:  " + a +
           "\n    right: " + b;
}

namespace {
template <typename Text>
bool check_text_eq(const Text &a, const Text &b, const char *ae, const char *be, const char *file,
                   int line) {
    if (a == b)
        return report(true, file, line, "");
    return report(false, file, line, describe_eq(ae, be, quote(a), quote(b)));
}
}  // namespace

bool check_eq_impl(const std::string &a, const std::string &b, const char *ae, const char *be,
                   const char *file, int line) {
    return check_text_eq(a, b, ae, be, file, line);
}

bool check_eq_impl(const std::string &a, const char *b, const char *ae, const char *be,
                   const char *file, int line) {
    return check_text_eq(a, std::string(b ? b : ""), ae, be, file, line);
}

bool check_eq_impl(const std::wstring &a, const std::wstring &b, const char *ae, const char *be,
                   const char *file, int line) {
    return check_text_eq(a, b, ae, be, file, line);
}

bool check_eq_impl(const std::wstring &a, const wchar_t *b, const char *ae, const char *be,
                   const char *file, int line) {
    return check_text_eq(a, std::wstring(b ? b : L""), ae, be, file, line);
}

}  // namespace checks
