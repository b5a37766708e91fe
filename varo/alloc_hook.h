#pragma once

#include <cstdint>

// Test-build instrumentation under raw_reallocate: counts requests and blocks, and can make
// the heap refuse a chosen request. Only builds that define VARO_ALLOC_HOOK have it; the
// shipped library calls the heap directly.
namespace varo {
namespace alloc_hook {

// Zeroes the counters and cancels any planned refusal.
void reset();
// Refuses the n-th request counted from now (1 = the next one); 0 refuses none.
void refuse_nth(uint64_t n);
// Requests for a non-empty block (allocations and reallocations) since the last reset.
uint64_t requests();
// Requests refused since the last reset.
uint64_t refusals();
// Blocks allocated and not yet freed since the last reset (may go negative when blocks
// older than the reset are freed).
int64_t live_blocks();
// Size in bytes of the largest request since the last reset.
uint64_t largest_request();
// Bytes the heap holds for the blocks allocated and not yet freed since the last reset, as
// the heap reports each block's size (at least the bytes requested). Goes negative, like
// live_blocks, when blocks older than the reset are freed.
int64_t live_bytes();
// The most live_bytes has reached since the last reset.
int64_t peak_live_bytes();

} // namespace alloc_hook
} // namespace varo
