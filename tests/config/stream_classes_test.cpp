// The two stream classes of the configuration code: the reader that confines a variable to
// its payload and the writer that collects a payload in memory.

#include "config_test_support.h"

#include "config/stream_reader_limited.h"
#include "config/stream_writer_buffer.h"

using namespace config_test;

namespace {

using strings = std::vector<std::string>;

// A limited reader over a host reader of `stream_size` bytes.
struct limited_fixture {
    limited_fixture(size_t stream_size, uint32_t remaining)
        : host(bytes(stream_size, 0x77), log), limited(host, remaining) {}

    fake::call_log log;
    fake::fake_reader host;
    stream_reader_limited limited;
    abort_token abort;
    uint8_t buffer[1024] = {};
};

TEST(stream_reader_limited_test, read_never_asks_past_remaining) {
    limited_fixture f(100, 10);
    EXPECT_EQ(f.limited.read(f.buffer, 64, f.abort), 10u);
    EXPECT_EQ(f.limited.remaining(), 0u);
    // At the end of the payload the host reader is still asked, for nothing.
    EXPECT_EQ(f.limited.read(f.buffer, 5, f.abort), 0u);
    EXPECT_EQ(f.log.entries, (strings{"read(10)=10", "read(0)=0"}));
}

TEST(stream_reader_limited_test, read_counts_what_the_host_delivered) {
    limited_fixture f(3, 10);
    EXPECT_EQ(f.limited.read(f.buffer, 8, f.abort), 3u);
    EXPECT_EQ(f.limited.remaining(), 7u);
}

TEST(stream_reader_limited_test, read_exact_throws_truncation_when_short) {
    limited_fixture f(100, 6);
    EXPECT_NO_THROW(f.limited.read_exact(f.buffer, 4, f.abort));
    EXPECT_EQ(outcome_of([&] { f.limited.read_exact(f.buffer, 4, f.abort); }),
              outcome::io_truncation);
    EXPECT_EQ(f.limited.remaining(), 0u);
    EXPECT_EQ(f.log.entries, (strings{"read(4)=4", "read(2)=2"}));
}

struct skip_case {
    const char* name;
    size_t stream_size;
    uint32_t remaining;
    uint64_t bytes;
    uint64_t skipped;
    strings host_calls;
};

TEST(stream_reader_limited_test, skip_reads_chunks_of_at_most_256_bytes) {
    const skip_case cases[] = {
        {"nothing", 1000, 1000, 0, 0, {}},
        {"less than a chunk", 1000, 1000, 100, 100, {"read(100)=100"}},
        {"exactly a chunk", 1000, 1000, 256, 256, {"read(256)=256"}},
        {"several chunks", 1000, 1000, 600, 600, {"read(256)=256", "read(256)=256", "read(88)=88"}},
        {"past remaining", 1000, 300, 600, 300, {"read(256)=256", "read(44)=44"}},
        {"past the host stream", 300, 1000, 600, 300, {"read(256)=256", "read(256)=44"}},
        {"beyond 32 bits", 1000, 10, 0x200000000ull, 10, {"read(10)=10"}},
    };
    for (const skip_case& c : cases) {
        SCOPED_TRACE(c.name);
        limited_fixture f(c.stream_size, c.remaining);
        EXPECT_EQ(f.limited.skip(c.bytes, f.abort), c.skipped);
        EXPECT_EQ(f.log.entries, c.host_calls);
        EXPECT_EQ(f.limited.remaining(), c.remaining - c.skipped);
    }
}

TEST(stream_reader_limited_test, skip_exact_throws_truncation_when_short) {
    limited_fixture f(1000, 300);
    EXPECT_NO_THROW(f.limited.skip_exact(200, f.abort));
    EXPECT_EQ(outcome_of([&] { f.limited.skip_exact(200, f.abort); }), outcome::io_truncation);
    EXPECT_EQ(f.limited.remaining(), 0u);
    EXPECT_EQ(f.log.entries, (strings{"read(200)=200", "read(100)=100"}));
}

// A host reader that claims to have read more than it was asked for.
class overclaiming_reader final : public stream_reader {
public:
    uint32_t read(void*, uint32_t bytes, abort_token&) override { return bytes + 5; }
    void read_exact(void*, uint32_t, abort_token&) override {}
    uint64_t skip(uint64_t bytes, abort_token&) override { return bytes; }
    void skip_exact(uint64_t, abort_token&) override {}
};

TEST(stream_reader_limited_test, host_claiming_too_much_cannot_underflow_remaining) {
    overclaiming_reader host;
    abort_token abort;
    uint8_t buffer[16];
    stream_reader_limited limited(host, 6);
    EXPECT_EQ(limited.read(buffer, 4, abort), 4u);
    EXPECT_EQ(limited.remaining(), 2u);
    EXPECT_EQ(limited.read(buffer, 4, abort), 2u);
    EXPECT_EQ(limited.remaining(), 0u);
}

TEST(stream_writer_buffer_test, appends_every_write) {
    stream_writer_buffer::buffer_type target;
    stream_writer_buffer writer(target);
    abort_token abort;
    const uint8_t first[] = {1, 2, 3};
    const uint8_t second[] = {4, 5};
    writer.write(first, 3, abort);
    writer.write(second, 0, abort);
    writer.write(second, 2, abort);
    ASSERT_EQ(target.size(), 5u);
    EXPECT_EQ(bytes(target.data(), target.data() + 5), (bytes{1, 2, 3, 4, 5}));
}

TEST(stream_writer_buffer_test, size_past_thirty_two_bits_throws_bad_alloc_and_leaves_target) {
    stream_writer_buffer::buffer_type target;
    stream_writer_buffer writer(target);
    abort_token abort;
    const uint8_t one = 9;
    writer.write(&one, 1, abort);
    varo::alloc_hook::reset();
    // The data pointer is never read: the size check comes first.
    EXPECT_EQ(outcome_of([&] { writer.write(&one, UINT32_MAX, abort); }), outcome::bad_alloc);
    EXPECT_EQ(varo::alloc_hook::requests(), 0u);
    ASSERT_EQ(target.size(), 1u);
    EXPECT_EQ(target[0], 9);
}

} // namespace
