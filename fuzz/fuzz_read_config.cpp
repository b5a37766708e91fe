// Feeds arbitrary bytes to read_config as the stored configuration stream, then checks the
// store against the stream model, that it is consistent and round-trips through
// write_config, that the reader's memory follows the input's size, and that nothing leaked.

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <new>
#include <vector>

#include "component_services.h"
#include "fake_host.h"
#include "fuzz_check.h"
#include "order_memory/order_store.h"
#include "store_access.h"
#include "stream_model.h"
#include "varo/alloc_hook.h"

namespace {

// What the store holds before each input: three values in a block of four.
const std::vector<uint32_t> earlier_store = {5, 6, 7};

// Reads `bytes` through the client and says how the read ended.
stream_model::read_end read_through_client(component_client& client,
                                           const std::vector<uint8_t>& bytes, fake::call_log& log) {
    fake::fake_reader reader(bytes, log);
    abort_token abort;
    try {
        client.read_config(reader, abort);
    } catch (const velmora_io::exception_io_data_truncation&) {
        return stream_model::read_end::truncation;
    } catch (const fake::stream_end&) {
        return stream_model::read_end::host_error;
    } catch (const std::bad_alloc& e) {
        FUZZ_CHECK(std::strcmp(e.what(), "bad allocation") == 0);
        return stream_model::read_end::bad_alloc;
    }
    return stream_model::read_end::normally;
}

// The store's array keeps its own rules whatever the stream held.
void check_store_shape() {
    const auto& storage = cfg_playlist_order.storage();
    FUZZ_CHECK(storage.size() <= storage.capacity());
    FUZZ_CHECK((storage.capacity() == 0) == (storage.data() == nullptr));
    // Under the doubling policy the capacity is a power of two and at most four times the
    // count (rounded up), never below 1 once a block exists.
    FUZZ_CHECK((storage.capacity() & (storage.capacity() - 1)) == 0);
    FUZZ_CHECK(storage.capacity() / 4 <= storage.size());
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    fake::fake_host host;
    host.log.keep_entries = false;
    const support::component_services component = support::connect(&host);
    FUZZ_CHECK(cfg_var_list_head == &cfg_playlist_order && cfg_playlist_order.next == nullptr);

    support::set_store(earlier_store); // the same block of four before every input
    varo::alloc_hook::reset();
    const std::vector<uint8_t> stream(data, data + size);
    const stream_model::read_result expected =
        stream_model::read_config_model(stream, earlier_store);

    FUZZ_CHECK(read_through_client(*component.client, stream, host.log) == expected.end);
    FUZZ_CHECK(support::store_values() == expected.store);
    check_store_shape();
    // Whatever a record claims, the reader held at most about twice the bytes the stream
    // delivered: the values' block starts with room for 64 and doubles once they fill it.
    FUZZ_CHECK(varo::alloc_hook::peak_live_bytes() <= static_cast<int64_t>(2 * size + 1024));
    // The store kept its one block (perhaps moved); nothing else stayed allocated.
    FUZZ_CHECK(varo::alloc_hook::live_blocks() == 0);

    fake::fake_writer writer(host.log);
    abort_token abort;
    component.client->write_config(writer, abort);
    FUZZ_CHECK(writer.bytes == stream_model::store_record(expected.store));
    FUZZ_CHECK(varo::alloc_hook::live_blocks() == 0);

    // What was written reads back to the same list, into an empty store.
    cfg_playlist_order.clear();
    FUZZ_CHECK(read_through_client(*component.client, writer.bytes, host.log) ==
               stream_model::read_end::normally);
    FUZZ_CHECK(support::store_values() == expected.store);
    check_store_shape();
    FUZZ_CHECK(varo::alloc_hook::live_blocks() == 0);
    FUZZ_CHECK(host.outstanding() == 0);

    support::connect(nullptr);
    return 0;
}
