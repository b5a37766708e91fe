#pragma once

#include <cstdint>

#include "host/stream.h"

// Confines a variable to its own record: every operation goes through `read` on the host
// reader and never past the payload's `remaining` bytes.
class stream_reader_limited final : public stream_reader {
public:
    stream_reader_limited(stream_reader& reader, uint32_t remaining) noexcept
        : reader_(&reader), remaining_(remaining) {}

    uint32_t read(void* buffer, uint32_t bytes, abort_token& abort) override;
    void read_exact(void* buffer, uint32_t bytes, abort_token& abort) override;
    uint64_t skip(uint64_t bytes, abort_token& abort) override;
    void skip_exact(uint64_t bytes, abort_token& abort) override;

    // Payload bytes not yet consumed.
    uint32_t remaining() const noexcept { return remaining_; }

private:
    stream_reader* reader_; // not owned
    uint32_t remaining_;
};
