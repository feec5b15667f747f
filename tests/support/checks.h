// The assertions of the test programs that run under Wine: the in-process
// Win32 tests and the end-to-end harness. CHECK and CHECK_EQ count and
// report a failure and carry on; a program ends with finish() (or reads
// failures() itself). Texts print byte by byte, so that a log reads the
// same whatever code page the terminal uses.
#ifndef YARROWMELD_TEST_CHECKS_H
#define YARROWMELD_TEST_CHECKS_H

#include <string>
#include <type_traits>

namespace checks {

// Printable form of a byte string: ASCII as is, every other byte as \xNN.
std::string quote(const std::string &bytes);
// Printable form of UTF-16 text: ASCII as is, the rest as \uXXXX.
std::string quote(const std::wstring &text);

// Counts one check; prints file, line and what when it failed. Returns ok.
bool report(bool ok, const char *file, int line, const std::string &what);
int count(void);
int failures(void);
void reset(void);
// Prints "N passed, M failed"; the program's exit code.
int finish(void);

std::string describe_eq(const char *a_expr, const char *b_expr, const std::string &a,
                        const std::string &b);

// Numbers (and whatever compares with == and prints with std::to_string);
// character arrays and pointers go to the text overloads below.
template <typename A, typename B,
          typename = typename std::enable_if<!std::is_array<A>::value && !std::is_array<B>::value &&
                                             !std::is_pointer<A>::value>::type>
bool check_eq_impl(const A &a, const B &b, const char *ae, const char *be, const char *file,
                   int line) {
    bool ok;
    if constexpr (std::is_integral<A>::value && std::is_integral<B>::value) {
        ok = static_cast<long long>(a) == static_cast<long long>(b);
    } else {
        ok = (a == b);
    }
    if (ok)
        return report(true, file, line, "");
    return report(false, file, line, describe_eq(ae, be, std::to_string(a), std::to_string(b)));
}
bool check_eq_impl(const std::string &a, const std::string &b, const char *ae, const char *be,
                   const char *file, int line);
bool check_eq_impl(const std::string &a, const char *b, const char *ae, const char *be,
                   const char *file, int line);
bool check_eq_impl(const std::wstring &a, const std::wstring &b, const char *ae, const char *be,
                   const char *file, int line);
bool check_eq_impl(const std::wstring &a, const wchar_t *b, const char *ae, const char *be,
                   const char *file, int line);

}  // namespace checks

#define CHECK(cond) ::checks::report((cond) ? true : false, __FILE__, __LINE__, "CHECK(" #cond ")")
#define CHECK_EQ(a, b) ::checks::check_eq_impl((a), (b), #a, #b, __FILE__, __LINE__)

#endif
