#include "host_streams.h"

#include <algorithm>
#include <cstring>

namespace velmora_host {

uint32_t memory_reader::read(void* buffer, uint32_t bytes, abort_token&) {
    const size_t n = std::min<size_t>(bytes, bytes_.size() - position_);
    if (n != 0)
        std::memcpy(buffer, bytes_.data() + position_, n);
    position_ += n;
    return static_cast<uint32_t>(n);
}

void memory_reader::read_exact(void* buffer, uint32_t bytes, abort_token& abort) {
    if (read(buffer, bytes, abort) != bytes)
        throw stream_end();
}

uint64_t memory_reader::skip(uint64_t bytes, abort_token&) {
    const uint64_t n = std::min<uint64_t>(bytes, bytes_.size() - position_);
    position_ += static_cast<size_t>(n);
    return n;
}

void memory_reader::skip_exact(uint64_t bytes, abort_token& abort) {
    if (skip(bytes, abort) != bytes)
        throw stream_end();
}

void memory_writer::write(const void* data, uint32_t bytes, abort_token&) {
    const auto* first = static_cast<const uint8_t*>(data);
    this->bytes.insert(this->bytes.end(), first, first + bytes);
}

} // namespace velmora_host
