#include "config/stream_reader_limited.h"

#include "varo/exceptions.h"

uint32_t stream_reader_limited::read(void* buffer, uint32_t bytes, abort_token& abort) {
    const uint32_t n = bytes < remaining_ ? bytes : remaining_;
    uint32_t got = reader_->read(buffer, n, abort);
    if (got > n) // a host reader claiming more than it was asked for is not believed
        got = n;
    remaining_ -= got;
    return got;
}

void stream_reader_limited::read_exact(void* buffer, uint32_t bytes, abort_token& abort) {
    if (read(buffer, bytes, abort) != bytes)
        throw velmora_io::exception_io_data_truncation();
}

uint64_t stream_reader_limited::skip(uint64_t bytes, abort_token& abort) {
    uint64_t total = 0;
    unsigned char scratch[256];
    while (bytes != 0) {
        const uint32_t chunk =
            bytes >= sizeof scratch ? sizeof scratch : static_cast<uint32_t>(bytes);
        const uint32_t got = read(scratch, chunk, abort);
        total += got;
        bytes -= got;
        if (got < chunk)
            break;
    }
    return total;
}

void stream_reader_limited::skip_exact(uint64_t bytes, abort_token& abort) {
    if (skip(bytes, abort) != bytes)
        throw velmora_io::exception_io_data_truncation();
}
