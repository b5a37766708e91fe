#include "varo/raw_reallocate.h"

#include <cstdlib>

#include "varo/exceptions.h"

#ifdef VARO_ALLOC_HOOK
#include <malloc.h>

#include "varo/alloc_hook.h"

namespace varo {
namespace alloc_hook {
namespace {
uint64_t request_count = 0;
uint64_t refusal_count = 0;
uint64_t refuse_at = 0;
int64_t live = 0;
uint64_t largest = 0;
int64_t bytes_live = 0;
int64_t bytes_peak = 0;
} // namespace

void reset() {
    request_count = refusal_count = refuse_at = largest = 0;
    live = bytes_live = bytes_peak = 0;
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
int64_t live_bytes() {
    return bytes_live;
}
int64_t peak_live_bytes() {
    return bytes_peak;
}

// What the heap holds for a live block; the same figure when it is allocated and freed.
static int64_t block_bytes(void* block) {
    if (block == nullptr)
        return 0;
#ifdef _WIN32
    return static_cast<int64_t>(_msize(block));
#else
    return static_cast<int64_t>(malloc_usable_size(block));
#endif
}

// Accounts for `block`, of `old_bytes`, having become `result`.
static void account(void* block, int64_t old_bytes, void* result) {
    if (block == nullptr)
        ++live;
    bytes_live += block_bytes(result) - old_bytes;
    if (bytes_live > bytes_peak)
        bytes_peak = bytes_live;
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
        alloc_hook::bytes_live -= alloc_hook::block_bytes(block);
#endif
        std::free(block);
        return nullptr;
    }
#ifdef VARO_ALLOC_HOOK
    if (!alloc_hook::admit(bytes))
        throw exception_bad_alloc();
    const int64_t old_bytes = alloc_hook::block_bytes(block);
#endif
    void* result = block == nullptr ? std::malloc(bytes) : std::realloc(block, bytes);
    if (result == nullptr)
        throw exception_bad_alloc();
#ifdef VARO_ALLOC_HOOK
    alloc_hook::account(block, old_bytes, result);
#endif
    return result;
}

} // namespace varo
