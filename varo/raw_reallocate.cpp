#include "varo/raw_reallocate.h"

#include <cstdlib>

#include "varo/exceptions.h"

#ifdef VARO_ALLOC_HOOK
#include "varo/alloc_hook.h"

namespace varo {
namespace alloc_hook {
namespace {
uint64_t request_count = 0;
uint64_t refusal_count = 0;
uint64_t refuse_at = 0;
int64_t live = 0;
uint64_t largest = 0;
} // namespace

void reset() {
    request_count = refusal_count = refuse_at = largest = 0;
    live = 0;
}
void refuse_nth(uint64_t n) {
    refuse_at = n == 0 ? 0 : request_count + n;
}
uint64_t requests() {
    return request_count;
}
uint64_t refusals() {
    return refusal_count;
}
int64_t live_blocks() {
    return live;
}
uint64_t largest_request() {
    return largest;
}

// Counts one request; returns false when this one is to be refused.
static bool admit(std::size_t bytes) {
    ++request_count;
    if (bytes > largest)
        largest = bytes;
    if (refuse_at != 0 && request_count == refuse_at) {
        ++refusal_count;
        return false;
    }
    return true;
}
} // namespace alloc_hook
} // namespace varo
#endif

namespace varo {

void* raw_reallocate(void* block, std::size_t bytes) {
    if (bytes == 0) {
#ifdef VARO_ALLOC_HOOK
        if (block != nullptr)
            --alloc_hook::live;
#endif
        std::free(block);
        return nullptr;
    }
#ifdef VARO_ALLOC_HOOK
    if (!alloc_hook::admit(bytes))
        throw exception_bad_alloc();
#endif
    void* result = block == nullptr ? std::malloc(bytes) : std::realloc(block, bytes);
    if (result == nullptr)
        throw exception_bad_alloc();
#ifdef VARO_ALLOC_HOOK
    if (block == nullptr)
        ++alloc_hook::live;
#endif
    return result;
}

} // namespace varo
