// The quicksort keeps its plain call trace on ordinary input and finishes adversarial input
// with a bounded stack: checked against a plain transcription of the algorithm, and on a
// thread with a small stack.

#include <algorithm>
#include <cstdint>
#include <exception>
#include <functional>
#include <random>
#include <stdexcept>
#include <vector>

#ifdef _WIN32
#ifndef WIN32_LEAN_AND_MEAN
#define WIN32_LEAN_AND_MEAN
#endif
#ifndef NOMINMAX
#define NOMINMAX
#endif
#include <windows.h>
#else
#include <pthread.h>
#endif

#include <gtest/gtest.h>

#include "test_doubles.h"
#include "varo/list.h"
#include "varo/sort.h"

namespace {

using varo_test::call;
using varo_test::items_of;
using varo_test::recording_sort;
using varo_test::test_list;
using values = std::vector<int32_t>;

// The quicksort, median of three and small sort step by step as the algorithm states them,
// recursing on the left part and looping on the right, with no depth limit. Records how deep
// the recursion went.
class plain_quick_sort {
public:
    explicit plain_quick_sort(varo::sort_callback& callback) : cb_(callback) {}

    void sort(uint32_t start, uint32_t count) {
        ++depth_;
        max_depth = std::max(max_depth, depth_);
        while (count > 4) {
            const uint32_t p = median(start, count);
            const uint32_t last = start + count - 1;
            if (p != last)
                cb_.swap(p, last);
            uint32_t s = start;
            bool alternate = false;
            for (uint32_t j = start; j < last; ++j) {
                const int32_t r = cb_.compare(j, last);
                if (r < 0) {
                    move(s, j);
                } else if (r == 0) {
                    if (alternate)
                        move(s, j);
                    alternate = !alternate;
                }
            }
            if (s != last)
                cb_.swap(last, s);
            sort(start, s - start);
            count = count - (s - start) - 1;
            start = s + 1;
        }
        small(start, count);
        --depth_;
    }

    uint32_t max_depth = 0;

private:
    void move(uint32_t& s, uint32_t j) {
        if (s != j)
            cb_.swap(s, j);
        s = s + 1;
    }
    uint32_t median(uint32_t start, uint32_t count) {
        const uint32_t mid = start + count / 2;
        const uint32_t last = start + count - 1;
        uint32_t lo, hi;
        if (cb_.compare(start, mid) > 0) {
            lo = mid;
            hi = start;
        } else {
            lo = start;
            hi = mid;
        }
        const uint32_t x = cb_.compare(lo, last) > 0 ? lo : last;
        return cb_.compare(hi, x) > 0 ? x : hi;
    }
    void small(uint32_t start, uint32_t count) {
        for (uint32_t i = start + 1; i < start + count; ++i)
            for (uint32_t j = start; j < i; ++j)
                if (cb_.compare(j, i) > 0)
                    cb_.swap(j, i);
    }

    varo::sort_callback& cb_;
    uint32_t depth_ = 0;
};

// Rising, then falling: 0, 1, ..., n/2 - 1, then down again.
std::vector<uint32_t> organ_pipe(uint32_t n) {
    std::vector<uint32_t> v(n);
    for (uint32_t i = 0; i < n; ++i)
        v[i] = i < n / 2 ? i : n - 1 - i;
    return v;
}

// Defeats the median of first, middle and last: the first item is the second largest, the
// last the largest, the middle one smaller than both, so the pivot is the second largest.
// The pass leaves the items between first and last, in their order, as the next left part:
// the same pattern two items shorter. A plain quicksort recurses about n / 2 deep on it.
std::vector<uint32_t> median_of_three_killer(uint32_t n) {
    std::vector<uint32_t> v(n, 0);
    for (uint32_t t = 0; t < n / 2; ++t) {
        v[t] = n - 2 - 2 * t;
        v[n - 1 - t] = n - 1 - 2 * t;
    }
    return v;
}

values as_values(const std::vector<uint32_t>& v) {
    return values(v.begin(), v.end());
}

// Ordinary inputs: the limited quicksort must make exactly the plain one's calls.
TEST(sort_depth_test, ordinary_input_keeps_the_plain_call_trace) {
    struct shape {
        const char* name;
        int32_t (*item)(uint32_t i, uint32_t n, std::mt19937& rng);
    };
    const shape shapes[] = {
        {"random", [](uint32_t, uint32_t, std::mt19937& r) { return static_cast<int32_t>(r()); }},
        {"random, 10 keys",
         [](uint32_t, uint32_t, std::mt19937& r) { return static_cast<int32_t>(r() % 10); }},
        {"random, 2 keys",
         [](uint32_t, uint32_t, std::mt19937& r) { return static_cast<int32_t>(r() % 2); }},
        {"sorted", [](uint32_t i, uint32_t, std::mt19937&) { return static_cast<int32_t>(i); }},
        {"reversed",
         [](uint32_t i, uint32_t n, std::mt19937&) { return static_cast<int32_t>(n - i); }},
        {"equal", [](uint32_t, uint32_t, std::mt19937&) { return 5; }},
    };
    struct size_case {
        uint32_t n;
        uint32_t seeds;
    };
    const size_case sizes[] = {{200, 5}, {300, 5}, {500, 5}, {20000, 2}};
    const uint32_t offset = 3; // sort a range that does not start at 0
    for (const shape& s : shapes) {
        for (const size_case& z : sizes) {
            for (uint32_t seed = 1; seed <= z.seeds; ++seed) {
                SCOPED_TRACE(::testing::Message()
                             << s.name << ", " << z.n << " items, seed " << seed);
                std::mt19937 rng(seed);
                values items(offset + z.n + 2, -1);
                for (uint32_t i = 0; i < z.n; ++i)
                    items[offset + i] = s.item(i, z.n, rng);

                recording_sort limited(items);
                limited.low = offset;
                limited.high = offset + z.n;
                varo::quick_sort(limited, offset, z.n);

                recording_sort plain(items);
                plain_quick_sort reference(plain);
                reference.sort(offset, z.n);

                ASSERT_EQ(limited.trace.size(), plain.trace.size());
                ASSERT_TRUE(limited.trace == plain.trace);
                ASSERT_TRUE(std::is_sorted(limited.items.begin() + offset,
                                           limited.items.begin() + offset + z.n));
                EXPECT_LT(reference.max_depth, 40u);
            }
        }
    }
}

// The adversarial inputs really do drive the plain quicksort deep; the limited one leaves
// the plain trace, stays inside its range and still sorts, stably where asked.
TEST(sort_depth_test, adversarial_input_meets_the_limit_and_still_sorts) {
    const uint32_t n = 4000;
    const struct {
        const char* name;
        std::vector<uint32_t> items;
        uint32_t plain_depth_at_least;
    } cases[] = {
        {"organ pipe", organ_pipe(n), n / 8},
        {"median-of-three killer", median_of_three_killer(n), n / 2 - 2},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const uint32_t offset = 5;
        values items(offset, 1 << 30);
        const values body = as_values(c.items);
        items.insert(items.end(), body.begin(), body.end());
        items.insert(items.end(), 3, -1);

        recording_sort plain(items);
        plain_quick_sort reference(plain);
        reference.sort(offset, n);
        EXPECT_GE(reference.max_depth, c.plain_depth_at_least);

        recording_sort limited(items);
        limited.low = offset;
        limited.high = offset + n;
        varo::quick_sort(limited, offset, n);
        EXPECT_FALSE(limited.trace == plain.trace);
        EXPECT_LT(limited.trace.size(), plain.trace.size() / 4);
        EXPECT_EQ(limited.items, plain.items);

        // Stable through the fallback too: organ pipe and killer keys, tagged by position.
        std::vector<uint32_t> tagged(n);
        for (uint32_t i = 0; i < n; ++i)
            tagged[i] = c.items[i] / 8 << 12 | i;
        struct by_key final : varo::list_base_t<uint32_t>::item_comparator {
            int32_t compare(const uint32_t& a, const uint32_t& b) override {
                return static_cast<int32_t>(a >> 12) - static_cast<int32_t>(b >> 12);
            }
        } comparator;
        test_list list(tagged);
        list.stable_sort(comparator);
        std::stable_sort(tagged.begin(), tagged.end(),
                         [](uint32_t a, uint32_t b) { return a >> 12 < b >> 12; });
        EXPECT_EQ(items_of(list), tagged);
    }
}

// Runs `job` on a new thread whose stack is `bytes` long and waits for it. Returns false when
// no such thread could be started.
#ifdef _WIN32
DWORD WINAPI thread_entry(LPVOID job) {
    (*static_cast<const std::function<void()>*>(job))();
    return 0;
}

bool run_on_stack(std::size_t bytes, const std::function<void()>& job) {
    HANDLE thread =
        CreateThread(nullptr, bytes, &thread_entry, const_cast<std::function<void()>*>(&job),
                     STACK_SIZE_PARAM_IS_A_RESERVATION, nullptr);
    if (thread == nullptr)
        return false;
    WaitForSingleObject(thread, INFINITE);
    CloseHandle(thread);
    return true;
}
#else
void* thread_entry(void* job) {
    (*static_cast<const std::function<void()>*>(job))();
    return nullptr;
}

bool run_on_stack(std::size_t bytes, const std::function<void()>& job) {
    pthread_attr_t attributes;
    if (pthread_attr_init(&attributes) != 0)
        return false;
    pthread_t thread;
    const bool started = pthread_attr_setstacksize(&attributes, bytes) == 0 &&
                         pthread_create(&thread, &attributes, &thread_entry,
                                        const_cast<std::function<void()>*>(&job)) == 0;
    pthread_attr_destroy(&attributes);
    if (started)
        pthread_join(thread, nullptr);
    return started;
}
#endif

// Counts compares and gives up once a budget of O(n log n) is spent, so that a quadratic
// sort fails instead of running for hours.
class budgeted_less final : public varo::list_base_t<uint32_t>::item_comparator {
public:
    explicit budgeted_less(uint64_t budget) : budget_(budget) {}
    int32_t compare(const uint32_t& a, const uint32_t& b) override {
        if (++calls > budget_)
            throw std::runtime_error("compare budget exceeded");
        return a < b ? -1 : (a > b ? 1 : 0);
    }
    uint64_t calls = 0;

private:
    uint64_t budget_;
};

TEST(sort_depth_test, million_adversarial_items_sort_on_a_256_kib_stack) {
    const uint32_t n = 1000000;
    const uint64_t log2n = 20;
    // These inputs take about 4.5 n log2 n compares (the partition passes down to the limit,
    // then the heap sort); a sort that went quadratic would need about n * n / 4.
    const uint64_t budget = 8 * n * log2n;
    const struct {
        const char* name;
        std::vector<uint32_t> items;
    } inputs[] = {{"organ pipe", organ_pipe(n)},
                  {"median-of-three killer", median_of_three_killer(n)}};
    for (const auto& input : inputs) {
        SCOPED_TRACE(input.name);
        test_list list(input.items);
        budgeted_less less(budget);
        std::exception_ptr error;
        const std::function<void()> job = [&] {
            try {
                list.sort(less);
            } catch (...) {
                error = std::current_exception();
            }
        };
        ASSERT_TRUE(run_on_stack(256 * 1024, job)) << "no thread with a 256 KiB stack";
        EXPECT_NO_THROW(if (error) std::rethrow_exception(error));
        std::vector<uint32_t> expected = input.items;
        std::sort(expected.begin(), expected.end());
        EXPECT_EQ(items_of(list), expected); // sorted, and a permutation of the input
    }
}

} // namespace
