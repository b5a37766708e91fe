// Long random runs of playlist and playback events through the fake host, acted out as a
// player would, compared after every event with the reference model.

#include <memory>
#include <optional>
#include <ostream>
#include <random>

#include "order_memory_fixture.h"
#include "reference_model.h"

namespace order_memory_testing {
namespace {

enum event_kind { create, remove, reorder, activate, change_order, play, stop, event_kinds };

const char* const event_names[event_kinds] = {"create",       "remove", "reorder", "activate",
                                              "change order", "play",   "stop"};

struct run_parameters {
    uint32_t seed;
    bool notify_from_set_order; // the host re-enters the component from set_active_order
};

// Without it gtest prints the parameters as raw bytes, padding included, which reads memory
// that was never written.
void PrintTo(const run_parameters& p, std::ostream* os) {
    *os << "seed " << p.seed << (p.notify_from_set_order ? ", re-entrant" : "");
}

class model_test : public order_memory_test, public ::testing::WithParamInterface<run_parameters> {
protected:
    uint32_t pick(uint32_t n) { return static_cast<uint32_t>(rng_() % n); }
    bool chance(uint32_t one_in) { return pick(one_in) == 0; }
    uint32_t any_playlist() {
        const uint32_t n = host.state.playlist_count;
        return n == 0 ? no_playlist : pick(n);
    }

    // Starts the component on a random player with a random restored store.
    void start() {
        host.state.playlist_count = pick(6);
        host.state.active_playlist = any_playlist();
        host.state.active_order = pick(6);
        values restored(pick(6));
        for (uint32_t& v : restored)
            v = pick(6);
        set_store(restored);
        model_.restore(restored);
        if (GetParam().notify_from_set_order)
            fake::notify_order_changes(host, &playlist_events());
        startup().on_startup();
        model_.startup(host.state.playlist_count, host.state.active_order);
        order_in_force_ = host.state.active_order;
    }

    // Turns a permutation into something else a faulty host might send: a position too
    // many or too few, a repeated position, or one out of range.
    void spoil(values& order) {
        const uint32_t n = static_cast<uint32_t>(order.size());
        switch (n < 2 ? pick(2) : pick(4)) {
        case 0:
            order.push_back(pick(n + 1));
            break;
        case 1:
            order.resize(n == 0 ? 0 : n - 1);
            break;
        case 2: {
            const uint32_t i = pick(n);
            order[i] = order[(i + 1 + pick(n - 1)) % n];
            break;
        }
        default:
            order[pick(n)] = n + pick(3);
            break;
        }
    }

    // Acts out one event on the player, delivers it, and returns the order the model says
    // the component puts in force.
    std::optional<uint32_t> deliver(event_kind kind) {
        fake::player_state& p = host.state;
        switch (kind) {
        case create: {
            const uint32_t index = pick(p.playlist_count + 1);
            for (uint32_t* i : {&p.active_playlist, &p.playing_playlist})
                if (*i != no_playlist && *i >= index)
                    ++*i;
            ++p.playlist_count;
            playlist_events().playlist_created(index, "new", 3);
            model_.created(index, p.active_order);
            return std::nullopt;
        }
        case remove: {
            // Sometimes the host's mask runs on past its playlists with stray marks.
            std::vector<bool> marks(p.playlist_count + (chance(4) ? pick(4) : 0));
            const bool all = chance(10);
            for (size_t i = 0; i < marks.size(); ++i)
                marks[i] = all || chance(3);
            const uint32_t old_count = p.playlist_count;
            player_after_removal(marks, p.playlist_count, p.active_playlist, p.playing_playlist);
            if (p.active_playlist == no_playlist)
                p.active_playlist = any_playlist();
            playlist_events().playlists_removed(fake::fake_bit_array(marks), old_count,
                                                p.playlist_count);
            model_.removed(marks);
            return std::nullopt;
        }
        case reorder: {
            values order(p.playlist_count);
            for (uint32_t i = 0; i < p.playlist_count; ++i)
                order[i] = i;
            for (uint32_t i = p.playlist_count; i > 1; --i)
                std::swap(order[i - 1], order[pick(i)]);
            const bool malformed = chance(8);
            if (malformed)
                spoil(order);
            else {
                for (uint32_t* i : {&p.active_playlist, &p.playing_playlist})
                    if (*i != no_playlist)
                        *i = static_cast<uint32_t>(std::find(order.begin(), order.end(), *i) -
                                                   order.begin());
            }
            const auto exact = std::make_unique<uint32_t[]>(order.size());
            std::copy(order.begin(), order.end(), exact.get());
            playlist_events().playlists_reordered(exact.get(), static_cast<uint32_t>(order.size()));
            model_.reordered(order);
            return std::nullopt;
        }
        case activate: {
            const uint32_t old_index = p.active_playlist;
            p.active_playlist = chance(10) ? no_playlist : any_playlist();
            playlist_events().playlist_activated(old_index, p.active_playlist);
            return model_.activated(p.active_playlist, p.playing);
        }
        case change_order: {
            p.active_order = pick(6);
            order_in_force_ = p.active_order;
            playlist_events().playback_order_changed(p.active_order);
            model_.order_changed(p.active_order, p.playing, p.playing_playlist, p.active_playlist);
            return std::nullopt;
        }
        case play: {
            p.playing = true;
            p.playing_playlist = chance(2) ? p.active_playlist : any_playlist();
            playback_events().track_started(song.pass());
            return model_.track_started(p.playing_playlist);
        }
        case stop: {
            p.playing = false;
            const uint32_t reason = pick(4);
            playback_events().playback_stopped(reason);
            return model_.stopped(reason, p.active_playlist);
        }
        case event_kinds:
            break;
        }
        return std::nullopt;
    }

    std::mt19937 rng_{GetParam().seed};
    reference_model model_;
    uint32_t order_in_force_ = 0;
};

TEST_P(model_test, store_follows_the_reference_model_through_random_events) {
    const int steps = 4000;
    int delivered[event_kinds] = {};
    int orders_applied = 0;
    int empty_player = 0;

    start();
    ASSERT_EQ(store_values(), model_.entries());
    ASSERT_EQ(store_values().size(), host.state.playlist_count);

    for (int step = 0; step < steps; ++step) {
        const event_kind kind = static_cast<event_kind>(pick(event_kinds));
        host.log.clear();
        const std::optional<uint32_t> applied = deliver(kind);
        if (applied) {
            order_in_force_ = *applied;
            ++orders_applied;
            // The player told the component about the order it had just applied.
            if (GetParam().notify_from_set_order)
                model_.order_changed(*applied, host.state.playing, host.state.playing_playlist,
                                     host.state.active_playlist);
        }
        ++delivered[kind];
        empty_player += host.state.playlist_count == 0;

        SCOPED_TRACE("step " + std::to_string(step) + ": " + event_names[kind]);
        ASSERT_EQ(store_values().size(), host.state.playlist_count) << "one entry per playlist";
        ASSERT_EQ(store_values(), model_.entries());
        ASSERT_EQ(orders_set(),
                  applied ? entries{"set_active_order " + std::to_string(*applied)} : entries{});
        ASSERT_EQ(host.state.active_order, order_in_force_);
        ASSERT_EQ(host.outstanding(), 0);
        ASSERT_EQ(song.references(), 0);
    }

    // The run reached every kind of event, applied orders, and emptied the player.
    for (int kind = 0; kind < event_kinds; ++kind)
        EXPECT_GT(delivered[kind], steps / event_kinds / 2) << event_names[kind];
    EXPECT_GT(orders_applied, steps / 10);
    EXPECT_GT(empty_player, 0);
}

std::vector<run_parameters> runs() {
    std::vector<run_parameters> out;
    for (uint32_t seed : {1u, 2u, 3u, 20240611u, 0xC0FFEEu})
        for (bool notify : {false, true})
            out.push_back({seed, notify});
    return out;
}

INSTANTIATE_TEST_SUITE_P(seeds, model_test, ::testing::ValuesIn(runs()),
                         [](const ::testing::TestParamInfo<run_parameters>& info) {
                             return "seed" + std::to_string(info.param.seed) +
                                    (info.param.notify_from_set_order ? "_reentrant" : "");
                         });

} // namespace
} // namespace order_memory_testing
