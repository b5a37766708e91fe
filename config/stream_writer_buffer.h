#pragma once

#include <cstdint>
#include <cstring>

#include "host/stream.h"
#include "varo/array.h"
#include "varo/exceptions.h"

// Appends everything written to a byte array, so that a payload's length is known before
// its record goes to the host.
class stream_writer_buffer final : public stream_writer {
public:
    using buffer_type = varo::array_t<uint8_t, varo::alloc_grow_only>;

    explicit stream_writer_buffer(buffer_type& target) noexcept : target_(&target) {}

    // Throws std::bad_alloc, leaving the target unchanged, when it cannot grow. Defined here
    // so that a caller that knows it holds this class has its many small writes inlined.
    void write(const void* data, uint32_t bytes, abort_token&) override {
        const uint32_t old_size = target_->size();
        if (static_cast<uint64_t>(old_size) + bytes > UINT32_MAX)
            throw varo::exception_bad_alloc();
        target_->resize(old_size + bytes);
        if (bytes != 0)
            std::memcpy(target_->data() + old_size, data, bytes);
    }

private:
    buffer_type* target_; // not owned
};
