#pragma once

#include <cstdint>

#include "host/stream.h"
#include "varo/array.h"

// Appends everything written to a byte array, so that a payload's length is known before
// its record goes to the host.
class stream_writer_buffer final : public stream_writer {
public:
    using buffer_type = varo::array_t<uint8_t, varo::alloc_grow_only>;

    explicit stream_writer_buffer(buffer_type& target) noexcept : target_(&target) {}

    // Throws std::bad_alloc, leaving the target unchanged, when it cannot grow.
    void write(const void* data, uint32_t bytes, abort_token& abort) override;

private:
    buffer_type* target_; // not owned
};
