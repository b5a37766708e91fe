#pragma once

#include <cstdio>
#include <cstdlib>

namespace fuzz {

// A broken expectation ends the run at once, so the fuzzer keeps the input that caused it.
[[noreturn]] inline void fail(const char* what, const char* file, int line) {
    std::fprintf(stderr, "%s:%d: check failed: %s\n", file, line, what);
    std::abort();
}

} // namespace fuzz

#define FUZZ_CHECK(condition)                                                                      \
    do {                                                                                           \
        if (!(condition))                                                                          \
            ::fuzz::fail(#condition, __FILE__, __LINE__);                                          \
    } while (false)
