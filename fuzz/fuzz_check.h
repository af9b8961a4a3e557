// The one way a fuzz target reports a finding that no sanitizer sees: a broken invariant or a
// difference from a reference reading. A failed check prints what broke and aborts; libFuzzer
// records the abort as a crash and keeps the input that caused it.
#pragma once

#include <cstdio>
#include <cstdlib>
#include <string>

[[noreturn]] inline void fuzzFailure(const char* file, int line, const std::string& what) {
    std::fprintf(stderr, "\n==== fuzz check failed at %s:%d\n%s\n", file, line, what.c_str());
    std::fflush(stderr);
    std::abort();
}

// FUZZ_CHECK(condition, what): what is any expression convertible to std::string and is
// evaluated only when the check fails.
#define FUZZ_CHECK(condition, what)                                                                \
    do {                                                                                           \
        if (!(condition)) {                                                                        \
            fuzzFailure(__FILE__, __LINE__, std::string("check: " #condition "\n") + (what));      \
        }                                                                                          \
    } while (false)

// A text shown in a failure message with its unprintable bytes escaped.
inline std::string shown(const std::string& text) {
    std::string out = "\"";
    for (const char c : text) {
        const auto byte = static_cast<unsigned char>(c);
        if (byte < 0x20 || byte >= 0x7f || c == '"' || c == '\\') {
            char escaped[8];
            std::snprintf(escaped, sizeof escaped, "\\x%02x", byte);
            out += escaped;
        } else {
            out.push_back(c);
        }
    }
    return out + "\"";
}
