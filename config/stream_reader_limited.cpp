#include "config/stream_reader_limited.h"

#include "varo/exceptions.h"

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
