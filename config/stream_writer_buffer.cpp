#include "config/stream_writer_buffer.h"

#include <cstring>

#include "varo/exceptions.h"

void stream_writer_buffer::write(const void* data, uint32_t bytes, abort_token&) {
    const uint32_t old_size = target_->size();
    if (static_cast<uint64_t>(old_size) + bytes > UINT32_MAX)
        throw varo::exception_bad_alloc();
    target_->resize(old_size + bytes);
    if (bytes != 0)
        std::memcpy(target_->data() + old_size, data, bytes);
}
