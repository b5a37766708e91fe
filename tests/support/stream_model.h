#pragma once

// An independent account of what reading a configuration stream does to the order store,
// written from the stream format rather than from the reader's code, so that the fuzzers
// and the fault-injection tests can compare the component against it byte by byte.

#include <cstddef>
#include <cstdint>
#include <vector>

namespace stream_model {

// The GUID of the order store as its 16 stream bytes.
constexpr uint8_t store_guid_bytes[16] = {0xF8, 0x4C, 0x84, 0x38, 0xAE, 0x9F, 0xD0, 0x4E,
                                          0xB6, 0xC7, 0x28, 0xE8, 0xB7, 0x1F, 0xCC, 0x4D};

// How read_config ends.
enum class read_end {
    normally,
    truncation, // velmora_io::exception_io_data_truncation: a payload runs past the stream
    host_error, // the host reader's read_exact or skip_exact found the stream too short
    bad_alloc,  // the store cannot hold the values a record delivers
};

struct read_result {
    read_end end = read_end::normally;
    std::vector<uint32_t> store;
};

inline uint32_t le32(const std::vector<uint8_t>& bytes, size_t at) {
    return static_cast<uint32_t>(bytes[at]) | static_cast<uint32_t>(bytes[at + 1]) << 8 |
           static_cast<uint32_t>(bytes[at + 2]) << 16 | static_cast<uint32_t>(bytes[at + 3]) << 24;
}

inline void set_le32(std::vector<uint8_t>& bytes, size_t at, uint32_t value) {
    for (int k = 0; k < 4; ++k)
        bytes[at + k] = static_cast<uint8_t>(value >> (8 * k));
}

// The one record write_config produces for a store holding `values`.
inline std::vector<uint8_t> store_record(const std::vector<uint32_t>& values) {
    // Sized at once and written in place: appending after a reserve makes GCC 12 warn
    // (stringop-overflow) about copies it cannot prove in bounds.
    std::vector<uint8_t> out(24 + 4 * values.size());
    for (size_t i = 0; i < 16; ++i)
        out[i] = store_guid_bytes[i];
    set_le32(out, 16, static_cast<uint32_t>(4 + 4 * values.size()));
    set_le32(out, 20, static_cast<uint32_t>(values.size()));
    for (size_t i = 0; i < values.size(); ++i)
        set_le32(out, 24 + 4 * i, values[i]);
    return out;
}

// The store after reading `stream` into a store that held `store`, and how the read ends.
// The store is the only registered variable.
inline read_result read_config_model(const std::vector<uint8_t>& stream,
                                     std::vector<uint32_t> store) {
    size_t pos = 0;
    const auto left = [&] { return stream.size() - pos; };
    for (;;) {
        if (left() < 16) // a stream that ends inside a GUID ends normally
            return {read_end::normally, store};
        bool ours = true;
        for (size_t i = 0; i < 16; ++i)
            ours = ours && stream[pos + i] == store_guid_bytes[i];
        pos += 16;
        if (left() < 4)
            return {read_end::host_error, store};
        const uint32_t size = le32(stream, pos);
        pos += 4;
        if (!ours) {
            if (left() < size)
                return {read_end::host_error, store};
            pos += size;
            continue;
        }
        // The payload as far as the stream holds it.
        const size_t available = left() < size ? left() : size;
        if (available >= 4) {
            const uint64_t count = le32(stream, pos);
            const uint64_t delivered = (available - 4) / 4; // values the stream holds
            if (4 + 4 * count > size) {
                store.clear(); // announces more values than its payload can hold
            } else if (count > (1u << 29) && delivered >= (1u << 29)) {
                // Room doubles each time the values read fill it; once 2^29 are in, room for
                // more would take 2^30 values, 4 GiB, past 32 bits.
                return {read_end::bad_alloc, store};
            } else if (delivered < count) {
                store.clear(); // the stream ends among the values
            } else {
                store.assign(count, 0);
                for (size_t i = 0; i < count; ++i)
                    store[i] = le32(stream, pos + 4 + 4 * i);
            }
        }
        // Whatever the store made of it, the reader goes on after the payload, if it can.
        if (available < size)
            return {read_end::truncation, store};
        pos += size;
    }
}

} // namespace stream_model
