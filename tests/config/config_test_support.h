#pragma once

// Shared pieces of the configuration tests: byte builders for configuration streams, a
// variable that records what the list procedures do to it, and a fixture that gives a test
// a configuration-variable list of its own.

#include <gtest/gtest.h>

#include <cstdint>
#include <deque>
#include <functional>
#include <initializer_list>
#include <new>
#include <string>
#include <vector>

#include "component_services.h"
#include "config/cfg_structlist.h"
#include "config/cfg_var.h"
#include "fake_host.h"
#include "order_memory/order_store.h"
#include "store_access.h"
#include "varo/alloc_hook.h"
#include "varo/exceptions.h"

namespace config_test {

using bytes = std::vector<uint8_t>;
using u32_list = cfg_structlist_t<unsigned int>;
using support::assign_values;
using support::values_of;

inline bytes le32(uint32_t v) {
    return {static_cast<uint8_t>(v), static_cast<uint8_t>(v >> 8), static_cast<uint8_t>(v >> 16),
            static_cast<uint8_t>(v >> 24)};
}

// The stream form of a GUID, written out field by field here so that the tests do not
// check the component's encoder against itself.
inline bytes guid_bytes(const GUID& id) {
    bytes out = le32(id.Data1);
    out.push_back(static_cast<uint8_t>(id.Data2));
    out.push_back(static_cast<uint8_t>(id.Data2 >> 8));
    out.push_back(static_cast<uint8_t>(id.Data3));
    out.push_back(static_cast<uint8_t>(id.Data3 >> 8));
    out.insert(out.end(), id.Data4, id.Data4 + 8);
    return out;
}

inline bytes join(std::initializer_list<bytes> parts) {
    bytes out;
    for (const bytes& part : parts)
        out.insert(out.end(), part.begin(), part.end());
    return out;
}

// A record header announcing `size` payload bytes, followed by `payload`, which may be
// shorter or longer than announced.
inline bytes record_claiming(const GUID& id, uint32_t size, const bytes& payload) {
    return join({guid_bytes(id), le32(size), payload});
}

// A well-formed record.
inline bytes record(const GUID& id, const bytes& payload) {
    return record_claiming(id, static_cast<uint32_t>(payload.size()), payload);
}

// The payload of a list of 32-bit values: count, then the values.
inline bytes list_payload(std::initializer_list<uint32_t> values) {
    bytes out = le32(static_cast<uint32_t>(values.size()));
    for (uint32_t v : values) {
        const bytes b = le32(v);
        out.insert(out.end(), b.begin(), b.end());
    }
    return out;
}

// GUIDs of test variables; none of them is the order store's.
constexpr GUID guid_a = {0xA0000001, 0x0001, 0x0002, {1, 2, 3, 4, 5, 6, 7, 8}};
constexpr GUID guid_b = {0xB0000002, 0x0001, 0x0002, {1, 2, 3, 4, 5, 6, 7, 8}};
constexpr GUID guid_c = {0xC0000003, 0x0001, 0x0002, {1, 2, 3, 4, 5, 6, 7, 8}};
constexpr GUID guid_foreign = {0xF0000004, 0x0001, 0x0002, {1, 2, 3, 4, 5, 6, 7, 8}};

// A variable whose payload is a fixed byte string, written in one call. Reading records the
// size it was offered and the bytes it read; either side can be told to fail.
class recording_var final : public cfg_var {
public:
    explicit recording_var(const GUID& id, bytes payload_bytes = {})
        : cfg_var(id), payload(std::move(payload_bytes)) {}

    void get_data(stream_writer& writer, abort_token& abort) override {
        const uint64_t before = varo::alloc_hook::requests();
        if (!payload.empty())
            writer.write(payload.data(), static_cast<uint32_t>(payload.size()), abort);
        requests_during_get_data = varo::alloc_hook::requests() - before;
        if (after_get_data)
            after_get_data();
    }

    void set_data(stream_reader& reader, uint32_t size, abort_token& abort) override {
        sizes_seen.push_back(size);
        bytes got(size < consume ? size : consume);
        if (!got.empty())
            got.resize(reader.read(got.data(), static_cast<uint32_t>(got.size()), abort));
        received.push_back(got);
        if (after_set_data)
            after_set_data();
    }

    bytes payload;
    uint32_t consume = UINT32_MAX;         // most bytes set_data reads
    std::function<void()> after_get_data;  // runs after the payload is written; may throw
    std::function<void()> after_set_data;  // runs after the payload is read; may throw
    uint64_t requests_during_get_data = 0; // heap requests while get_data ran
    std::vector<uint32_t> sizes_seen;      // `size` of every set_data call
    std::vector<bytes> received;           // bytes read by every set_data call
};

// A test with a configuration-variable list of its own. Variables made with add_* enter
// it; TearDown puts the module's list back before destroying them.
class own_registry : public ::testing::Test {
protected:
    void SetUp() override {
        saved_head_ = cfg_var_list_head;
        if (isolate_)
            cfg_var_list_head = nullptr;
        varo::alloc_hook::reset();
    }

    void TearDown() override {
        varo::alloc_hook::refuse_nth(0);
        cfg_var_list_head = saved_head_;
        recording_.clear();
        lists_.clear();
    }

    recording_var& add_recording(const GUID& id, bytes payload = {}) {
        recording_.emplace_back(id, std::move(payload));
        return recording_.back();
    }

    u32_list& add_list(const GUID& id, const std::vector<uint32_t>& values = {}) {
        lists_.emplace_back(id);
        assign_values(lists_.back(), values);
        return lists_.back();
    }

    // Whether SetUp empties the list (true) or new variables go on top of the module's.
    bool isolate_ = true;

private:
    cfg_var* saved_head_ = nullptr;
    std::deque<recording_var> recording_;
    std::deque<u32_list> lists_;
};

// What reached the caller of a configuration procedure.
enum class outcome { none, io_truncation, host_stream_end, host_fault, bad_alloc, other };

inline const char* name_of(outcome o) {
    switch (o) {
    case outcome::none:
        return "none";
    case outcome::io_truncation:
        return "io_truncation";
    case outcome::host_stream_end:
        return "host_stream_end";
    case outcome::host_fault:
        return "host_fault";
    case outcome::bad_alloc:
        return "bad_alloc";
    case outcome::other:
        break;
    }
    return "other";
}

inline void PrintTo(outcome o, std::ostream* os) {
    *os << name_of(o);
}

// Runs `action`, classifying the error it lets pass, and checks the message of the errors
// whose message is fixed.
template <typename F>
outcome outcome_of(F&& action) {
    try {
        action();
    } catch (const velmora_io::exception_io_data_truncation& e) {
        EXPECT_STREQ(e.what(), "Unsupported format or corrupted file");
        return outcome::io_truncation;
    } catch (const fake::stream_end&) {
        return outcome::host_stream_end;
    } catch (const fake::host_fault&) {
        return outcome::host_fault;
    } catch (const std::bad_alloc& e) {
        EXPECT_STREQ(e.what(), "bad allocation");
        return outcome::bad_alloc;
    } catch (...) {
        return outcome::other;
    }
    return outcome::none;
}

// The component as the host drives it, connected once to a host that lives for the run.
support::component_services& component();

// What the host saw of one write_config call.
struct write_result {
    outcome result = outcome::none;
    bytes stream;                   // everything written, in order
    std::vector<std::string> calls; // "write(N)" per call
};

// Calls the client's write_config with a recording writer; `fail_at_call` > 0 makes that
// host call (1 = the first) throw fake::host_fault.
inline write_result write_config(uint64_t fail_at_call = 0) {
    fake::call_log log;
    fake::fake_writer writer(log);
    abort_token abort;
    log.fail_at(fail_at_call);
    write_result out;
    out.result = outcome_of([&] { component().client->write_config(writer, abort); });
    out.stream = writer.bytes;
    out.calls = log.entries;
    return out;
}

// What the host saw of one read_config call.
struct read_result {
    outcome result = outcome::none;
    std::vector<std::string> calls; // "read(16)=16", "read_exact(4)", ...
    size_t position = 0;            // where the host stream stood afterwards
};

inline read_result read_config(const bytes& stream) {
    fake::call_log log;
    fake::fake_reader reader(stream, log);
    abort_token abort;
    read_result out;
    out.result = outcome_of([&] { component().client->read_config(reader, abort); });
    out.calls = log.entries;
    out.position = reader.position();
    return out;
}

// A test of the module's own variable list, which holds the order store alone; the store
// starts empty and is emptied again afterwards.
class store_test : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_EQ(cfg_var_list_head, &cfg_playlist_order);
        ASSERT_EQ(cfg_playlist_order.next, nullptr);
        cfg_playlist_order.clear();
        varo::alloc_hook::reset();
    }
    void TearDown() override {
        varo::alloc_hook::refuse_nth(0);
        cfg_playlist_order.clear();
    }
};

} // namespace config_test
