#pragma once

#include <cstdint>
#include <type_traits>

#include "config/byte_order.h"
#include "config/cfg_var.h"
#include "config/stream_reader_limited.h"
#include "config/stream_writer_buffer.h"
#include "varo/exceptions.h"
#include "varo/list.h"

// A list of 32-bit values that is also a configuration variable. Payload: the count, then
// every value, each 4 bytes little-endian.
template <typename T>
class cfg_structlist_t : public cfg_var, public varo::list_t<T, varo::alloc_fast> {
    static_assert(sizeof(T) == 4 && std::is_unsigned<T>::value, "the payload holds 32-bit values");

    using array_type = varo::array_t<T, varo::alloc_fast>;

    // Room for this many values is taken before the first arrives: 256 bytes.
    static constexpr uint32_t first_block_values = 64;

public:
    explicit cfg_structlist_t(const GUID& id) noexcept : cfg_var(id) {}
    ~cfg_structlist_t() { this->clear(); }

    // The configuration writer hands over its own buffer; called through its own type, the
    // per-element writes inline. The calls are the same either way.
    void get_data(stream_writer& writer, abort_token& abort) override {
        if (stream_writer_buffer* buffer = dynamic_cast<stream_writer_buffer*>(&writer))
            write_payload(*buffer, abort);
        else
            write_payload(writer, abort);
    }

    // The configuration reader hands over a limited reader; called through its own type, the
    // per-element reads inline up to the host reader's read, which each still calls once.
    void set_data(stream_reader& reader, uint32_t size, abort_token& abort) override {
        if (stream_reader_limited* limited = dynamic_cast<stream_reader_limited*>(&reader))
            read_payload(*limited, size, abort);
        else
            read_payload(reader, size, abort);
    }

private:
    template <typename W>
    void write_payload(W& writer, abort_token& abort) {
        const uint32_t count = this->item_count();
        uint8_t bytes[4];
        store_le32(bytes, count);
        writer.write(bytes, 4, abort);
        for (uint32_t i = 0; i < count; ++i) {
            store_le32(bytes, (*this)[i]);
            writer.write(bytes, 4, abort);
        }
    }

    // A payload that cannot hold the count it announces empties the list without asking
    // the heap for it; a payload that ends early or fails to read empties it too. The error
    // then goes on to the caller.
    //
    // When the list's block already has the room its policy gives `count` values, they go
    // straight into it. Otherwise they go into a block of their own that starts with room
    // for at most `first_block_values` and doubles each time the values read fill it, so a
    // count the stream does not back costs no more memory than the values it does deliver.
    // The list takes that block over once all are read and keeps its content until then,
    // so a refused growth leaves it unchanged.
    template <typename R>
    void read_payload(R& reader, uint32_t size, abort_token& abort) {
        uint8_t bytes[4];
        reader.read_exact(bytes, 4, abort);
        const uint32_t count = load_le32(bytes);
        if (4 + 4 * static_cast<uint64_t>(count) > size) {
            empty();
            throw velmora_io::exception_io_data_truncation();
        }
        if (count == 0) {
            this->resize(0);
            return;
        }
        array_type& own = this->storage();
        const bool fits = count <= own.capacity() &&
                          varo::alloc_fast::capacity_for(own.capacity(), count) == own.capacity();
        array_type values;
        array_type& target = fits ? own : values;
        target.resize(fits || count < first_block_values ? count : first_block_values);
        for (uint32_t done = 0;;) {
            read_values(reader, target.data(), done, target.size(), abort);
            done = target.size();
            if (done == count)
                break;
            target.resize(count - done < done ? count : 2 * done);
        }
        if (!fits)
            own.swap(values);
    }

    // Reads the values from..to - 1 of the payload into `out`; on any error the list is
    // emptied before the error goes on.
    template <typename R>
    void read_values(R& reader, T* out, uint32_t from, uint32_t to, abort_token& abort) {
        uint8_t bytes[4];
        try {
            for (uint32_t i = from; i < to; ++i) {
                reader.read_exact(bytes, 4, abort);
                out[i] = load_le32(bytes);
            }
        } catch (...) {
            empty();
            throw;
        }
    }

    // Count 0 without letting a refused shrink replace the error on its way out: the size
    // is stored before the block shrinks, so the list is empty even then.
    void empty() noexcept {
        if (this->item_count() == 0)
            return;
        try {
            this->resize(0);
        } catch (const std::bad_alloc&) {
        }
    }
};
