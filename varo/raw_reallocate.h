#pragma once

#include <cstddef>

namespace varo {

// The one way the component takes memory from the run-time heap.
// bytes == 0 frees `block` (null accepted) and returns null; a null `block` allocates;
// otherwise resizes, keeping the common prefix. Throws std::bad_alloc ("bad allocation")
// when the heap refuses, leaving `block` untouched and still the caller's.
void* raw_reallocate(void* block, std::size_t bytes);

} // namespace varo
