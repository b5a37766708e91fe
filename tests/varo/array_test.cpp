#include <algorithm>
#include <cstdint>
#include <cstring>
#include <new>
#include <string>
#include <tuple>
#include <vector>

#include <gtest/gtest.h>

#include "test_doubles.h"
#include "varo/alloc_hook.h"
#include "varo/array.h"
#include "varo/raw_reallocate.h"

namespace {

using varo_test::hooked;
namespace hook = varo::alloc_hook;

enum class policy { fast, grow_only, exact };

struct step {
    enum op_t { resize, reallocate_exact } op;
    uint32_t n;
    uint32_t size;     // expected afterwards
    uint32_t capacity; // expected afterwards
    uint64_t requests; // heap requests the step makes
};

struct policy_case {
    const char* name;
    policy which;
    std::vector<step> steps;
};

constexpr step::op_t R = step::resize;
constexpr step::op_t X = step::reallocate_exact;

// Runs the steps on one array, checking size, capacity and heap requests after each, and
// that every item the array kept through a step kept its value.
template <typename A>
void run_steps(const policy_case& c) {
    varo::array_t<uint32_t, A> a;
    std::vector<uint32_t> shadow;
    for (size_t i = 0; i < c.steps.size(); ++i) {
        const step& s = c.steps[i];
        SCOPED_TRACE(::testing::Message() << c.name << ", step " << i << " (n = " << s.n << ")");
        const uint64_t before = hook::requests();
        if (s.op == step::resize)
            a.resize(s.n);
        else
            a.reallocate_exact(s.n);
        EXPECT_EQ(a.size(), s.size);
        EXPECT_EQ(a.capacity(), s.capacity);
        EXPECT_EQ(hook::requests() - before, s.requests);
        EXPECT_EQ(a.data() == nullptr, s.capacity == 0);
        const uint32_t kept = std::min<uint32_t>(a.size(), static_cast<uint32_t>(shadow.size()));
        for (uint32_t k = 0; k < kept; ++k)
            ASSERT_EQ(a[k], shadow[k]) << "item " << k;
        shadow.resize(a.size());
        for (uint32_t k = kept; k < a.size(); ++k)
            a[k] = shadow[k] = 1000 * static_cast<uint32_t>(i) + k;
    }
    a.clear();
    EXPECT_EQ(hook::live_blocks(), 0) << c.name;
}

void run_policy_case(const policy_case& c) {
    switch (c.which) {
    case policy::fast:
        return run_steps<varo::alloc_fast>(c);
    case policy::grow_only:
        return run_steps<varo::alloc_grow_only>(c);
    case policy::exact:
        return run_steps<varo::alloc_exact>(c);
    }
}

class array_policy_test : public hooked {};

TEST_F(array_policy_test, capacity_follows_the_policy) {
    const policy_case cases[] = {
        {"fast: growing from empty doubles",
         policy::fast,
         {{R, 1, 1, 1, 1}, {R, 3, 3, 4, 1}, {R, 5, 5, 8, 1}}},
        {"fast: at 8, size 2 keeps the block, size 1 halves it",
         policy::fast,
         {{R, 5, 5, 8, 1}, {R, 2, 2, 8, 0}, {R, 1, 1, 4, 1}}},
        {"fast: at 16, size 0 leaves room for 2, block kept",
         policy::fast,
         {{R, 9, 9, 16, 1}, {R, 0, 0, 2, 1}}},
        {"fast: no block, size 0 allocates one item", policy::fast, {{R, 0, 0, 1, 1}}},
        {"fast: a quarter equal to the size is not cut",
         policy::fast,
         {{R, 9, 9, 16, 1}, {R, 4, 4, 16, 0}, {R, 3, 3, 8, 1}}},
        {"fast: doubling starts from the capacity held",
         policy::fast,
         {{X, 3, 0, 3, 1}, {R, 4, 4, 6, 1}, {R, 1, 1, 6, 0}, {R, 0, 0, 3, 1}}},
        {"fast: one at a time up reallocates only past the capacity",
         policy::fast,
         {{R, 1, 1, 1, 1},
          {R, 2, 2, 2, 1},
          {R, 3, 3, 4, 1},
          {R, 4, 4, 4, 0},
          {R, 5, 5, 8, 1},
          {R, 6, 6, 8, 0},
          {R, 7, 7, 8, 0},
          {R, 8, 8, 8, 0},
          {R, 9, 9, 16, 1}}},
        {"fast: one at a time down reallocates only below a quarter",
         policy::fast,
         {{R, 9, 9, 16, 1},
          {R, 8, 8, 16, 0},
          {R, 5, 5, 16, 0},
          {R, 4, 4, 16, 0},
          {R, 3, 3, 8, 1},
          {R, 2, 2, 8, 0},
          {R, 1, 1, 4, 1},
          {R, 0, 0, 2, 1}}},
        {"grow only: doubles and never shrinks",
         policy::grow_only,
         {{R, 10, 10, 16, 1}, {R, 0, 0, 16, 0}, {R, 20, 20, 32, 1}, {R, 32, 32, 32, 0}}},
        {"grow only: no block, size 0 allocates one item", policy::grow_only, {{R, 0, 0, 1, 1}}},
        {"grow only: doubling starts from the capacity held",
         policy::grow_only,
         {{X, 3, 0, 3, 1}, {R, 7, 7, 12, 1}, {R, 1, 1, 12, 0}}},
        {"exact: capacity equals size, 0 frees",
         policy::exact,
         {{R, 5, 5, 5, 1},
          {R, 2, 2, 2, 1},
          {R, 2, 2, 2, 0},
          {R, 7, 7, 7, 1},
          {R, 0, 0, 0, 0},
          {R, 0, 0, 0, 0}}},
        {"reallocate_exact: same capacity does nothing, 0 frees",
         policy::fast,
         {{R, 0, 0, 1, 1}, {X, 1, 0, 1, 0}, {X, 6, 0, 6, 1}, {X, 0, 0, 0, 0}}},
        {"reallocate_exact leaves the size alone",
         policy::exact,
         {{R, 3, 3, 3, 1}, {X, 10, 3, 10, 1}, {X, 3, 3, 3, 1}}},
    };
    for (const policy_case& c : cases)
        run_policy_case(c);
}

// A refused heap request during resize: a growth leaves the array exactly as it was; a
// shrink has already stored the smaller size and keeps its larger block.
struct refusal_case {
    const char* name;
    policy which;
    uint32_t setup_size; // 0: the array starts without a block
    uint32_t target;
    uint32_t size_after;
    uint32_t capacity_after;
};

template <typename A>
void run_refusal(const refusal_case& c) {
    SCOPED_TRACE(c.name);
    varo::array_t<uint32_t, A> a;
    if (c.setup_size != 0)
        a.resize(c.setup_size);
    for (uint32_t k = 0; k < a.size(); ++k)
        a[k] = 7 * k + 1;
    const uint32_t* block = a.data();
    const uint64_t refusals = hook::refusals();
    hook::refuse_nth(1);
    try {
        a.resize(c.target);
        ADD_FAILURE() << "no exception";
    } catch (const std::bad_alloc& e) {
        EXPECT_STREQ(e.what(), "bad allocation");
    }
    EXPECT_EQ(hook::refusals() - refusals, 1u);
    EXPECT_EQ(a.size(), c.size_after);
    EXPECT_EQ(a.capacity(), c.capacity_after);
    EXPECT_EQ(a.data(), block);
    for (uint32_t k = 0; k < a.size(); ++k)
        EXPECT_EQ(a[k], 7 * k + 1) << "item " << k;
}

TEST_F(array_policy_test, refused_request_leaves_the_array_valid) {
    const refusal_case cases[] = {
        {"fast: first block", policy::fast, 0, 1, 0, 0},
        {"fast: growth", policy::fast, 3, 5, 3, 4},
        {"fast: shrink", policy::fast, 9, 2, 2, 16},
        {"grow only: growth", policy::grow_only, 3, 20, 3, 4},
        {"exact: growth", policy::exact, 3, 4, 3, 3},
        {"exact: shrink", policy::exact, 5, 2, 2, 5},
    };
    for (const refusal_case& c : cases) {
        switch (c.which) {
        case policy::fast:
            run_refusal<varo::alloc_fast>(c);
            break;
        case policy::grow_only:
            run_refusal<varo::alloc_grow_only>(c);
            break;
        case policy::exact:
            run_refusal<varo::alloc_exact>(c);
            break;
        }
    }
    EXPECT_EQ(hook::live_blocks(), 0);
}

// Sizes whose capacity or byte size cannot be expressed in 32 bits are refused before the
// heap is asked, with the array untouched.
template <typename T, typename A, typename F>
void expect_refused_unasked(const char* name, F action) {
    SCOPED_TRACE(name);
    varo::array_t<T, A> a;
    a.resize(3);
    for (uint32_t k = 0; k < 3; ++k)
        a[k] = static_cast<T>(k + 1);
    const uint32_t capacity = a.capacity();
    const T* block = a.data();
    const uint64_t before = hook::requests();
    try {
        action(a);
        ADD_FAILURE() << "no exception";
    } catch (const std::bad_alloc& e) {
        EXPECT_STREQ(e.what(), "bad allocation");
    }
    EXPECT_EQ(hook::requests(), before);
    EXPECT_EQ(a.size(), 3u);
    EXPECT_EQ(a.capacity(), capacity);
    EXPECT_EQ(a.data(), block);
    for (uint32_t k = 0; k < 3; ++k)
        EXPECT_EQ(a[k], static_cast<T>(k + 1));
}

TEST_F(array_policy_test, sizes_past_32_bits_are_refused_before_the_heap_is_asked) {
    const auto to = [](uint32_t n) { return [n](auto& a) { a.resize(n); }; };
    expect_refused_unasked<uint8_t, varo::alloc_fast>("fast: doubling past 2^31", to(0x80000001u));
    expect_refused_unasked<uint8_t, varo::alloc_fast>("fast: largest size", to(0xFFFFFFFFu));
    expect_refused_unasked<uint8_t, varo::alloc_grow_only>("grow only: doubling past 2^31",
                                                           to(0x80000001u));
    expect_refused_unasked<uint32_t, varo::alloc_fast>("fast: 2^31 items of 4 bytes",
                                                       to(0x40000001u));
    expect_refused_unasked<uint32_t, varo::alloc_exact>("exact: 2^30 items of 4 bytes",
                                                        to(0x40000000u));
    expect_refused_unasked<uint64_t, varo::alloc_exact>(
        "reallocate_exact: 2^29 items of 8 bytes",
        [](auto& a) { a.reallocate_exact(0x20000000u); });
    EXPECT_EQ(hook::live_blocks(), 0);
}

TEST_F(array_policy_test, clear_frees_the_block_under_every_policy) {
    varo::array_t<uint32_t, varo::alloc_fast> fast;
    varo::array_t<uint32_t, varo::alloc_grow_only> grow;
    varo::array_t<uint32_t, varo::alloc_exact> exact;
    fast.resize(0); // has a block of one item
    grow.resize(10);
    exact.resize(5);
    ASSERT_EQ(hook::live_blocks(), 3);
    fast.clear();
    grow.clear();
    exact.clear();
    EXPECT_EQ(hook::live_blocks(), 0);
    for (auto fields : {std::make_tuple(fast.data() == nullptr, fast.size(), fast.capacity()),
                        std::make_tuple(grow.data() == nullptr, grow.size(), grow.capacity()),
                        std::make_tuple(exact.data() == nullptr, exact.size(), exact.capacity())})
        EXPECT_EQ(fields, std::make_tuple(true, 0u, 0u));
    fast.clear(); // on an empty array: nothing to free
    EXPECT_EQ(hook::live_blocks(), 0);
}

TEST_F(array_policy_test, destructor_frees_the_block) {
    {
        varo::array_t<uint8_t, varo::alloc_grow_only> a;
        a.resize(100);
        EXPECT_EQ(hook::live_blocks(), 1);
    }
    EXPECT_EQ(hook::live_blocks(), 0);
}

class assign_text_test : public hooked {
protected:
    using text = varo::array_t<char, varo::alloc_exact>;
    static std::string bytes(const text& t) { return std::string(t.data(), t.size()); }
};

TEST_F(assign_text_test, keeps_the_terminator_and_sizes_exactly) {
    text t;
    const struct {
        const char* text;
        std::string bytes;
    } cases[] = {
        {"abc", std::string("abc\0", 4)},
        {"", std::string("\0", 1)},
        {"a longer path\\file.dll", std::string("a longer path\\file.dll\0", 23)},
        {"xy", std::string("xy\0", 3)},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.text);
        t.assign_text(c.text);
        EXPECT_EQ(t.size(), c.bytes.size());
        EXPECT_EQ(t.capacity(), c.bytes.size());
        EXPECT_EQ(bytes(t), c.bytes);
    }
}

TEST_F(assign_text_test, refused_growth_keeps_the_old_text) {
    text t;
    t.assign_text("abc");
    hook::refuse_nth(1);
    EXPECT_THROW(t.assign_text("longer than before"), std::bad_alloc);
    EXPECT_EQ(bytes(t), std::string("abc\0", 4));
    EXPECT_EQ(t.capacity(), 4u);
}

class raw_reallocate_test : public hooked {};

TEST_F(raw_reallocate_test, null_and_zero_allocates_nothing) {
    EXPECT_EQ(varo::raw_reallocate(nullptr, 0), nullptr);
    EXPECT_EQ(hook::requests(), 0u);
    EXPECT_EQ(hook::live_blocks(), 0);
}

TEST_F(raw_reallocate_test, resizing_keeps_the_common_prefix_and_zero_frees) {
    auto* block = static_cast<unsigned char*>(varo::raw_reallocate(nullptr, 8));
    ASSERT_NE(block, nullptr);
    for (unsigned char i = 0; i < 8; ++i)
        block[i] = static_cast<unsigned char>(i + 1);
    block = static_cast<unsigned char*>(varo::raw_reallocate(block, 4096));
    for (unsigned char i = 0; i < 8; ++i)
        EXPECT_EQ(block[i], i + 1);
    block = static_cast<unsigned char*>(varo::raw_reallocate(block, 3));
    for (unsigned char i = 0; i < 3; ++i)
        EXPECT_EQ(block[i], i + 1);
    EXPECT_EQ(hook::live_blocks(), 1);
    EXPECT_EQ(varo::raw_reallocate(block, 0), nullptr);
    EXPECT_EQ(hook::live_blocks(), 0);
    EXPECT_EQ(hook::requests(), 3u);
}

// The hook's byte figures are the heap's own block sizes: at least what was asked for, and
// back to zero once everything is freed; the peak keeps the most held at once.
TEST_F(raw_reallocate_test, hook_counts_live_bytes_and_their_peak) {
    void* small = varo::raw_reallocate(nullptr, 100);
    EXPECT_GE(hook::live_bytes(), 100);
    void* grown = varo::raw_reallocate(nullptr, 5000);
    const int64_t both = hook::live_bytes();
    EXPECT_GE(both, 5100);
    grown = varo::raw_reallocate(grown, 10);
    EXPECT_LT(hook::live_bytes(), both);
    EXPECT_GE(hook::live_bytes(), 110);
    EXPECT_EQ(hook::peak_live_bytes(), both);

    // A refused request changes neither figure.
    hook::refuse_nth(1);
    EXPECT_THROW(varo::raw_reallocate(small, 1 << 20), std::bad_alloc);
    EXPECT_EQ(hook::peak_live_bytes(), both);

    varo::raw_reallocate(small, 0);
    varo::raw_reallocate(grown, 0);
    EXPECT_EQ(hook::live_bytes(), 0);
    EXPECT_EQ(hook::peak_live_bytes(), both);

    // Blocks older than a reset count against it when freed.
    void* old = varo::raw_reallocate(nullptr, 64);
    hook::reset();
    varo::raw_reallocate(old, 0);
    EXPECT_LE(hook::live_bytes(), -64);
    EXPECT_EQ(hook::peak_live_bytes(), 0);
}

TEST_F(raw_reallocate_test, refused_request_throws_and_leaves_the_block_to_the_caller) {
    auto* block = static_cast<unsigned char*>(varo::raw_reallocate(nullptr, 8));
    std::memset(block, 0x5A, 8);
    for (const std::size_t bytes : {std::size_t{1} << 20, std::size_t{2}}) {
        hook::refuse_nth(1);
        try {
            varo::raw_reallocate(block, bytes);
            ADD_FAILURE() << "no exception for " << bytes << " bytes";
        } catch (const std::bad_alloc& e) {
            EXPECT_STREQ(e.what(), "bad allocation");
        }
        for (int i = 0; i < 8; ++i)
            EXPECT_EQ(block[i], 0x5A);
    }
    hook::refuse_nth(1);
    EXPECT_THROW(varo::raw_reallocate(nullptr, 16), std::bad_alloc);
    EXPECT_EQ(hook::refusals(), 3u);
    EXPECT_EQ(hook::live_blocks(), 1);
    varo::raw_reallocate(block, 0);
}

#if defined(__SANITIZE_ADDRESS__)
#define VARO_TEST_ASAN 1
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
#define VARO_TEST_ASAN 1
#endif
#endif

// The real heap's own refusal, not the hook's: no heap can hand out all of the address space.
TEST_F(raw_reallocate_test, heap_returning_null_throws_bad_allocation) {
#ifdef VARO_TEST_ASAN
    GTEST_SKIP() << "the address sanitizer aborts on an impossible allocation instead of "
                    "returning null";
#else
    try {
        varo::raw_reallocate(nullptr, static_cast<std::size_t>(-1));
        ADD_FAILURE() << "no exception";
    } catch (const std::bad_alloc& e) {
        EXPECT_STREQ(e.what(), "bad allocation");
    }
    EXPECT_EQ(hook::refusals(), 0u);
    EXPECT_EQ(hook::live_blocks(), 0);
#endif
}

} // namespace
