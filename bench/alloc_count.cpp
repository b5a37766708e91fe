#include "alloc_count.h"

#include <cstdlib>
#include <new>

#include "varo/alloc_hook.h"

// Every operator new of the program is counted: the baselines reach the heap through it,
// and the component must not reach it at all (its one way is the allocation hook).
namespace {
uint64_t operator_new_calls = 0;

void* counted_allocate(std::size_t bytes) noexcept {
    ++operator_new_calls;
    return std::malloc(bytes == 0 ? 1 : bytes);
}
} // namespace

void* operator new(std::size_t bytes) {
    void* block = counted_allocate(bytes);
    if (block == nullptr)
        throw std::bad_alloc();
    return block;
}
void* operator new[](std::size_t bytes) {
    void* block = counted_allocate(bytes);
    if (block == nullptr)
        throw std::bad_alloc();
    return block;
}
void* operator new(std::size_t bytes, const std::nothrow_t&) noexcept {
    return counted_allocate(bytes);
}
void* operator new[](std::size_t bytes, const std::nothrow_t&) noexcept {
    return counted_allocate(bytes);
}
void operator delete(void* block) noexcept {
    std::free(block);
}
void operator delete[](void* block) noexcept {
    std::free(block);
}
void operator delete(void* block, std::size_t) noexcept {
    std::free(block);
}
void operator delete[](void* block, std::size_t) noexcept {
    std::free(block);
}
void operator delete(void* block, const std::nothrow_t&) noexcept {
    std::free(block);
}
void operator delete[](void* block, const std::nothrow_t&) noexcept {
    std::free(block);
}

namespace bench {

heap_requests heap_requests_now() noexcept {
    return {varo::alloc_hook::requests(), operator_new_calls};
}

} // namespace bench
