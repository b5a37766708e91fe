#include "config/byte_order.h"
#include "config/cfg_var.h"
#include "config/stream_reader_limited.h"
#include "config/stream_writer_buffer.h"
#include "varo/exceptions.h"

void cfg_var_list_write(stream_writer& writer, abort_token& abort) {
    // One payload buffer for every variable; its destructor frees it on every way out.
    stream_writer_buffer::buffer_type payload;
    for (cfg_var* var = cfg_var_list_head; var != nullptr; var = var->next) {
        payload.resize(0);
        stream_writer_buffer buffer(payload);
        var->get_data(buffer, abort);

        uint8_t header[16];
        store_guid(header, var->guid);
        writer.write(header, 16, abort);
        uint8_t size[4];
        store_le32(size, payload.size());
        writer.write(size, 4, abort);
        if (payload.size() != 0)
            writer.write(payload.data(), payload.size(), abort);
    }
}

void cfg_var_list_read(stream_reader& reader, abort_token& abort) {
    for (;;) {
        uint8_t header[16];
        if (reader.read(header, 16, abort) != 16)
            return;
        uint8_t size_bytes[4];
        reader.read_exact(size_bytes, 4, abort);
        const GUID id = load_guid(header);
        const uint32_t size = load_le32(size_bytes);

        cfg_var* var = cfg_var_list_head;
        while (var != nullptr && !guid_equal(var->guid, id))
            var = var->next;
        if (var == nullptr) {
            reader.skip_exact(size, abort);
            continue;
        }

        stream_reader_limited limited(reader, size);
        try {
            var->set_data(limited, size, abort);
        } catch (const velmora_io::exception_io_data&) {
            // A damaged payload costs only its own variable; the rest is read on.
        }
        if (limited.remaining() != 0)
            limited.skip_exact(limited.remaining(), abort);
    }
}
