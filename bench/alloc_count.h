#pragma once

#include <cstdint>

namespace bench {

// Heap requests so far: those the component makes through its allocation hook, and the
// operator new calls of the whole program (the baselines' way to the heap).
struct heap_requests {
    uint64_t hook = 0;
    uint64_t operator_new = 0;
};

heap_requests heap_requests_now() noexcept;

// What one timed region asked of the heap: its end minus its start.
inline heap_requests operator-(const heap_requests& end, const heap_requests& start) noexcept {
    return {end.hook - start.hook, end.operator_new - start.operator_new};
}

} // namespace bench
