#pragma once

// The host's streams, through which the configuration travels.
//
// Who calls: the component, during the client's read_config and write_config only; it keeps
// no stream, and no abort object, past that call.
// Throwing: each operation may throw (a failed or aborted transfer, an exact operation that
// comes up short); the component lets the error pass.

#include <cstdint>

// The host's abort object; the component only passes it on.
class abort_token;

class stream_reader {
public:
    // Reads up to `bytes` bytes; returns how many were read, fewer only at the end.
    virtual uint32_t read(void* buffer, uint32_t bytes, abort_token& abort) = 0;
    // Reads exactly `bytes` bytes or throws.
    virtual void read_exact(void* buffer, uint32_t bytes, abort_token& abort) = 0;
    // Passes over up to `bytes` bytes; returns how many were passed over.
    virtual uint64_t skip(uint64_t bytes, abort_token& abort) = 0;
    // Passes over exactly `bytes` bytes or throws.
    virtual void skip_exact(uint64_t bytes, abort_token& abort) = 0;
};

class stream_writer {
public:
    // Writes all `bytes` bytes from `data` or throws.
    virtual void write(const void* data, uint32_t bytes, abort_token& abort) = 0;
};
