#pragma once

#include <cstdint>

#include "host/stream.h"
#include "varo/exceptions.h"

// Confines a variable to its own record: every operation goes through `read` on the host
// reader and never past the payload's `remaining` bytes.
class stream_reader_limited final : public stream_reader {
public:
    stream_reader_limited(stream_reader& reader, uint32_t remaining) noexcept
        : reader_(&reader), remaining_(remaining) {}

    // Defined here, with read_exact, so that a caller that knows it holds this class has its
    // many small reads inlined; each still calls the host reader's read once.
    uint32_t read(void* buffer, uint32_t bytes, abort_token& abort) override {
        const uint32_t n = bytes < remaining_ ? bytes : remaining_;
        uint32_t got = reader_->read(buffer, n, abort);
        if (got > n) // a host reader claiming more than it was asked for is not believed
            got = n;
        remaining_ -= got;
        return got;
    }
    void read_exact(void* buffer, uint32_t bytes, abort_token& abort) override {
        if (read(buffer, bytes, abort) != bytes)
            throw velmora_io::exception_io_data_truncation();
    }
    uint64_t skip(uint64_t bytes, abort_token& abort) override;
    void skip_exact(uint64_t bytes, abort_token& abort) override;

    // Payload bytes not yet consumed.
    uint32_t remaining() const noexcept { return remaining_; }

private:
    stream_reader* reader_; // not owned
    uint32_t remaining_;
};
