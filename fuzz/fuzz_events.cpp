// Decodes bytes into a sequence of host events (playlists created, removed and reordered,
// activation, order changes, playback, start-up, shut-down, configuration written and read)
// and delivers them to the component through the fake host, acting out the player around
// them. After every event the store must equal the reference model, the orders put in force
// must be the model's, and every service reference, track reference and block must be back.
// The host can also be made to fail one of its calls during an event; the store must then
// be in a state that event may leave behind.

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <optional>
#include <utility>
#include <vector>

#include "component_services.h"
#include "fake_host.h"
#include "fuzz_check.h"
#include "order_memory/order_store.h"
#include "reference_model.h"
#include "store_access.h"
#include "stream_model.h"
#include "varo/alloc_hook.h"

namespace {

using values = std::vector<uint32_t>;
// Enough events to build up any state; more only slows each input down.
constexpr int max_events = 256;
// Store entries the checks after an input's events may go over in all; the input ends
// there. An event on a large player costs thousands of steps, in the component and in the
// checks, and long runs on one took most of the fuzzer's time. This leaves room for about
// eight events on one (all eight of the large_player seed run); small players hardly
// reach it.
constexpr uint64_t max_entries_checked = 65536;
// A player with more playlists than the permutation's inline flag table covers (8192).
constexpr uint32_t large_player = 8190;

// The input, consumed from the front; reads past its end give zeros.
class input_bytes {
public:
    input_bytes(const uint8_t* data, size_t size) : data_(data), size_(size) {}
    bool empty() const { return position_ >= size_; }
    uint8_t u8() { return empty() ? 0 : data_[position_++]; }
    uint32_t u32() {
        uint32_t v = 0;
        for (int shift = 0; shift < 32; shift += 8)
            v |= static_cast<uint32_t>(u8()) << shift;
        return v;
    }
    std::vector<uint8_t> take(size_t n) {
        std::vector<uint8_t> out;
        while (out.size() < n && !empty())
            out.push_back(u8());
        return out;
    }

private:
    const uint8_t* data_;
    size_t size_;
    size_t position_ = 0;
};

// Stretches a few input bytes into as many choices as a large player needs.
class splitmix {
public:
    explicit splitmix(uint64_t seed) : state_(seed) {}
    uint32_t below(uint32_t n) { return n == 0 ? 0 : static_cast<uint32_t>(next() % n); }

private:
    uint64_t next() {
        uint64_t z = (state_ += 0x9E3779B97F4A7C15ull);
        z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ull;
        z = (z ^ (z >> 27)) * 0x94D049BB133111EBull;
        return z ^ (z >> 31);
    }
    uint64_t state_;
};

enum event_kind : uint8_t {
    create,
    remove,
    reorder,
    reorder_arbitrary,
    activate,
    change_order,
    play,
    stop,
    startup,
    shutdown,
    config_round_trip,
    config_read,
    player_change,
    host_fault,
    event_kinds
};

// Whether the store holds exactly `expected`; compared in place, since it runs after every
// event and a store can hold thousands of entries.
bool store_is(const values& expected) {
    const uint32_t n = cfg_playlist_order.item_count();
    return n == expected.size() &&
           std::equal(expected.begin(), expected.end(), cfg_playlist_order.storage().data());
}

// Every store state a read of `stream` may leave when the host fails one of its calls: the
// state before, after any complete prefix of the stream, or emptied by a record whose values
// could not all be read.
bool allowed_after_failed_read(const values& now, const values& before,
                               const std::vector<uint8_t>& stream) {
    if (now == before || now.empty())
        return true;
    for (size_t length = 0; length <= stream.size(); ++length) {
        const std::vector<uint8_t> prefix(stream.begin(),
                                          stream.begin() + static_cast<std::ptrdiff_t>(length));
        if (stream_model::read_config_model(prefix, before).store == now)
            return true;
    }
    return false;
}

class event_run {
public:
    event_run(const uint8_t* data, size_t size) : in_(data, size) {
        // Of the host's calls only the orders put in force are checked; keeping just those
        // spares a stored entry for every value read and every entry appended. The player
        // notifies the playlist callbacks of each, when it does so.
        host_.log.keep_entries = false;
        host_.playlists.on_order_set = [this](uint32_t order) {
            orders_set_.push_back(order);
            if (notify_)
                component_.playlist_events->playback_order_changed(order);
        };
        component_ = support::connect(&host_);
        cfg_playlist_order.clear();
        init_state = state_not_started;
        varo::alloc_hook::reset();

        const uint8_t flags = in_.u8();
        set_notify((flags & 1) != 0);
        fake::player_state& p = host_.state;
        p.playlist_count = in_.u8() % 6;
        p.active_playlist = p.playlist_count == 0 ? no_playlist : 0;
        p.active_order = in_.u8() % 8;
        order_in_force_ = p.active_order;
    }

    ~event_run() {
        host_.playlists.on_order_set = nullptr;
        cfg_playlist_order.clear();
        init_state = state_not_started;
        support::connect(nullptr);
    }

    void run() {
        uint64_t entries_checked = 0;
        for (int n = 0; n < max_events && !in_.empty() && entries_checked < max_entries_checked;
             ++n) {
            const auto kind = static_cast<event_kind>(in_.u8() % event_kinds);
            if (kind == host_fault)
                deliver_with_host_fault();
            else
                deliver_and_check(kind);
            entries_checked += cfg_playlist_order.item_count();
        }
    }

private:
    uint32_t any_playlist(uint8_t choice) const {
        const uint32_t n = host_.state.playlist_count;
        return n == 0 ? no_playlist : choice % n;
    }

    // A playlist index as a host may send it: mostly a playlist, sometimes none, sometimes
    // past the last one.
    uint32_t playlist_argument() {
        const uint8_t c = in_.u8();
        if (c < 200)
            return any_playlist(c);
        if (c < 230)
            return no_playlist;
        return host_.state.playlist_count + c % 3;
    }

    void set_notify(bool on) { notify_ = on; }

    // The model's account of an order put in force, including the player's notification.
    std::optional<uint32_t> applies(std::optional<uint32_t> order) {
        if (order && notify_) {
            const fake::player_state& p = host_.state;
            model_.order_changed(*order, p.playing, p.playing_playlist, p.active_playlist);
        }
        return order;
    }

    // Acts out one event on the player, brings the model to the state the component must
    // reach, then delivers the event. Returns the order the component must put in force.
    std::optional<uint32_t> deliver(event_kind kind) {
        fake::player_state& p = host_.state;
        playlist_callback& playlists = *component_.playlist_events;
        play_callback& playback = *component_.playback_events;
        switch (kind) {
        case create: {
            const uint8_t c = in_.u8();
            const uint32_t index = c < 200 ? c % (p.playlist_count + 1) : in_.u32();
            const uint32_t at = index < p.playlist_count ? index : p.playlist_count;
            for (uint32_t* i : {&p.active_playlist, &p.playing_playlist})
                if (*i != no_playlist && *i >= at)
                    ++*i;
            ++p.playlist_count;
            model_.created(index, p.active_order);
            playlists.playlist_created(index, "new playlist", 12);
            return std::nullopt;
        }
        case remove: {
            const uint8_t density = in_.u8();
            const uint8_t stray = in_.u8();
            splitmix pick(in_.u32());
            std::vector<bool> marks(p.playlist_count + ((stray & 4) != 0 ? stray % 4 : 0));
            for (size_t i = 0; i < marks.size(); ++i)
                marks[i] = pick.below(256) < density;
            const uint32_t old_count = p.playlist_count;
            player_after_removal(marks, p.playlist_count, p.active_playlist, p.playing_playlist);
            if (p.active_playlist == no_playlist)
                p.active_playlist = any_playlist(density);
            model_.removed(marks);
            playlists.playlists_removed(fake::fake_bit_array(marks), old_count, p.playlist_count);
            return std::nullopt;
        }
        case reorder: {
            splitmix pick(in_.u32());
            values order(p.playlist_count);
            for (uint32_t i = 0; i < p.playlist_count; ++i)
                order[i] = i;
            for (uint32_t i = p.playlist_count; i > 1; --i)
                std::swap(order[i - 1], order[pick.below(i)]);
            for (uint32_t* i : {&p.active_playlist, &p.playing_playlist})
                for (uint32_t k = 0; *i != no_playlist && k < order.size(); ++k)
                    if (order[k] == *i) {
                        *i = k;
                        break;
                    }
            return deliver_reorder(order);
        }
        case reorder_arbitrary: {
            // Whatever a faulty host might send; the player itself stays as it is.
            const uint32_t n = p.playlist_count;
            const uint8_t mode = in_.u8();
            const uint32_t count = mode % 4 == 0   ? (n == 0 ? 0 : n - 1)
                                   : mode % 4 == 1 ? n
                                   : mode % 4 == 2 ? n + 1
                                                   : in_.u8() % 20;
            values order(count);
            for (uint32_t& v : order) {
                const uint8_t c = in_.u8();
                v = c < 200 ? c % (count + 2) : in_.u32();
            }
            return deliver_reorder(order);
        }
        case activate: {
            const uint32_t old_index = p.active_playlist;
            p.active_playlist = playlist_argument();
            const std::optional<uint32_t> order =
                applies(model_.activated(p.active_playlist, p.playing));
            playlists.playlist_activated(old_index, p.active_playlist);
            return order;
        }
        case change_order: {
            const uint8_t c = in_.u8();
            p.active_order = c < 250 ? c % 8 : in_.u32();
            order_in_force_ = p.active_order;
            model_.order_changed(p.active_order, p.playing, p.playing_playlist, p.active_playlist);
            playlists.playback_order_changed(p.active_order);
            return std::nullopt;
        }
        case play: {
            p.playing = true;
            const uint8_t c = in_.u8();
            p.playing_playlist = c < 100 ? p.active_playlist : playlist_argument();
            const std::optional<uint32_t> order = applies(model_.track_started(p.playing_playlist));
            playback.track_started(song_.pass());
            return order;
        }
        case stop: {
            p.playing = false;
            const uint8_t c = in_.u8();
            const uint32_t reason = c < 200 ? c % 4 : in_.u32();
            const std::optional<uint32_t> order =
                applies(model_.stopped(reason, p.active_playlist));
            playback.playback_stopped(reason);
            return order;
        }
        case startup:
            model_.startup(p.playlist_count, p.active_order);
            component_.startup->on_startup();
            return std::nullopt;
        case shutdown:
            model_.shutdown();
            component_.startup->on_shutdown();
            return std::nullopt;
        case config_round_trip: {
            // The player saves the configuration and, as after a restart, hands it back.
            abort_token abort;
            fake::fake_writer writer(host_.log);
            component_.client->write_config(writer, abort);
            FUZZ_CHECK(writer.bytes == stream_model::store_record(model_.entries()));
            fake::fake_reader reader(writer.bytes, host_.log);
            component_.client->read_config(reader, abort);
            return std::nullopt;
        }
        case config_read: {
            const uint8_t c = in_.u8();
            last_stream_.clear();
            if ((c & 1) != 0) // most useful streams start with the store's GUID
                last_stream_.assign(stream_model::store_guid_bytes,
                                    stream_model::store_guid_bytes + 16);
            const std::vector<uint8_t> rest = in_.take(c / 2);
            last_stream_.insert(last_stream_.end(), rest.begin(), rest.end());
            const stream_model::read_result expected =
                stream_model::read_config_model(last_stream_, model_.entries());
            model_.restore(expected.store);
            abort_token abort;
            fake::fake_reader reader(last_stream_, host_.log);
            stream_model::read_end end = stream_model::read_end::normally;
            try {
                component_.client->read_config(reader, abort);
            } catch (const velmora_io::exception_io_data_truncation&) {
                end = stream_model::read_end::truncation;
            } catch (const fake::stream_end&) {
                end = stream_model::read_end::host_error;
            } catch (const std::bad_alloc&) {
                end = stream_model::read_end::bad_alloc;
            }
            FUZZ_CHECK(end == expected.end);
            return std::nullopt;
        }
        case player_change: {
            // The player changes behind the component's back, or its habits change.
            const uint8_t c = in_.u8();
            switch (c % 4) {
            case 0:
                p.playlist_count = in_.u8() % 8;
                break;
            case 1:
                p.playlist_count = large_player + in_.u8() % 8;
                break;
            case 2:
                p.playing = !p.playing;
                break;
            default:
                set_notify(!notify_);
                break;
            }
            for (uint32_t* i : {&p.active_playlist, &p.playing_playlist})
                if (*i != no_playlist && *i >= p.playlist_count)
                    *i = any_playlist(c);
            return std::nullopt;
        }
        case host_fault:
        case event_kinds:
            break;
        }
        return std::nullopt;
    }

    std::optional<uint32_t> deliver_reorder(const values& order) {
        model_.reordered(order);
        // Exactly as many positions as the event claims, so a read past them is caught.
        const auto exact = std::make_unique<uint32_t[]>(order.size());
        std::copy(order.begin(), order.end(), exact.get());
        component_.playlist_events->playlists_reordered(exact.get(),
                                                        static_cast<uint32_t>(order.size()));
        return std::nullopt;
    }

    // What must hold after every event, whatever happened in it.
    void check_resources() const {
        FUZZ_CHECK(host_.outstanding() == 0);
        FUZZ_CHECK(song_.references() == 0);
        const auto& storage = cfg_playlist_order.storage();
        FUZZ_CHECK(storage.size() <= storage.capacity());
        FUZZ_CHECK((storage.capacity() & (storage.capacity() - 1)) == 0);
        FUZZ_CHECK(storage.capacity() / 4 <= storage.size());
        // The store's block is the only one that outlives an event.
        FUZZ_CHECK(varo::alloc_hook::live_blocks() == (storage.data() != nullptr ? 1 : 0));
    }

    void deliver_and_check(event_kind kind) {
        orders_set_.clear();
        const std::optional<uint32_t> applied = deliver(kind);
        if (applied)
            order_in_force_ = *applied;
        check_resources();
        FUZZ_CHECK(store_is(model_.entries()));
        FUZZ_CHECK(orders_set_ == (applied ? values{*applied} : values{}));
        FUZZ_CHECK(host_.state.active_order == order_in_force_);
        FUZZ_CHECK((init_state == state_running) == model_.running());
    }

    // Delivers the next event with one of the host's calls failing, then checks that the
    // failure reached the caller and left an allowed state, and carries on from that state.
    void deliver_with_host_fault() {
        const uint8_t nth = in_.u8();
        const auto kind = static_cast<event_kind>(in_.u8() % host_fault);
        const reference_model before = model_;
        const values store_before = support::store_values();
        const int state_before = init_state;
        orders_set_.clear();
        host_.log.fail_at(1 + nth % 16);
        bool reached = false;
        std::optional<uint32_t> applied;
        try {
            applied = deliver(kind);
        } catch (const fake::host_fault&) {
            reached = true;
        }
        const bool failed = host_.log.failed();
        host_.log.fail_at(0);
        FUZZ_CHECK(reached == failed);
        check_resources();
        if (!failed) {
            if (applied)
                order_in_force_ = *applied;
            FUZZ_CHECK(store_is(model_.entries()));
            FUZZ_CHECK((init_state == state_running) == model_.running());
            return;
        }
        const values now = support::store_values();
        switch (kind) {
        case startup:
            // The entries appended so far stay; the flag keeps its value.
            FUZZ_CHECK(init_state == state_before);
            if (now != store_before) {
                FUZZ_CHECK(now.size() < host_.state.playlist_count);
                for (uint32_t v : now)
                    FUZZ_CHECK(v == host_.state.active_order);
            }
            break;
        case config_read:
            FUZZ_CHECK(allowed_after_failed_read(now, store_before, last_stream_));
            break;
        case config_round_trip:
            FUZZ_CHECK(now == store_before || now.empty());
            break;
        default:
            // The failing call comes before the event's change, or, with the player's
            // notification, after it.
            FUZZ_CHECK(now == store_before || now == model_.entries());
            FUZZ_CHECK(init_state == state_before);
            break;
        }
        // Whatever order the host was setting may or may not be in force now.
        order_in_force_ = host_.state.active_order;
        model_ = before;
        model_.restore(now);
    }

    input_bytes in_;
    fake::fake_host host_;
    fake::fake_track song_{host_.log};
    support::component_services component_;
    reference_model model_;
    bool notify_ = false;
    uint32_t order_in_force_ = 0;
    std::vector<uint8_t> last_stream_;
    values orders_set_; // the orders put in force during the current event
};

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    event_run(data, size).run();
    return 0;
}
