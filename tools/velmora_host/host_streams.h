#pragma once

// The host's side of the configuration stream: its abort object and its reader and writer
// over bytes in memory.

#include <cstdint>
#include <stdexcept>
#include <vector>

#include "host/stream.h"

// The host's abort object. Sessions are never aborted, so it carries nothing.
class abort_token {};

namespace velmora_host {

// What the host's reader throws when an exact read or skip runs past the end.
class stream_end : public std::runtime_error {
public:
    stream_end() : std::runtime_error("unexpected end of configuration stream") {}
};

class memory_reader final : public stream_reader {
public:
    explicit memory_reader(const std::vector<uint8_t>& bytes) : bytes_(bytes) {}
    uint32_t read(void* buffer, uint32_t bytes, abort_token& abort) override;
    void read_exact(void* buffer, uint32_t bytes, abort_token& abort) override;
    uint64_t skip(uint64_t bytes, abort_token& abort) override;
    void skip_exact(uint64_t bytes, abort_token& abort) override;

private:
    const std::vector<uint8_t>& bytes_;
    size_t position_ = 0;
};

class memory_writer final : public stream_writer {
public:
    void write(const void* data, uint32_t bytes, abort_token& abort) override;
    std::vector<uint8_t> bytes;
};

} // namespace velmora_host
