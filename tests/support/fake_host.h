#pragma once

// A host for the tests: implements the host side of the ABI, records every call the
// component makes, counts the references it hands out, and can be told to throw from
// its N-th call (releases excepted: they run during unwinding and never throw).

#include <cstdint>
#include <functional>
#include <stdexcept>
#include <string>
#include <vector>

#include "host/component_client.h"
#include "host/componentversion.h"
#include "host/host_api.h"
#include "host/initquit.h"
#include "host/play_callback.h"
#include "host/playback_service.h"
#include "host/playlist_callback.h"
#include "host/playlist_service.h"
#include "host/service_ptr.h"
#include "host/stream.h"

// The host's abort object: nothing in it; the component only passes it on.
class abort_token {};

namespace fake {

// What the fake host throws when told to fail.
class host_fault : public std::runtime_error {
public:
    host_fault() : std::runtime_error("host fault") {}
};

// What the fake reader's exact operations throw at the end of the stream.
class stream_end : public std::runtime_error {
public:
    stream_end() : std::runtime_error("unexpected end of stream") {}
};

// The calls the component made, in order, shared by every fake object of one host.
class call_log {
public:
    // Records `call`; throws host_fault when it is the call planned to fail.
    void record(const std::string& call);
    // The same for a fixed text, which becomes a string only when it is kept or watched.
    void record(const char* call);
    // The same for a text `describe()` makes, only when it is kept or watched: for the calls
    // a component makes once per value.
    template <typename F>
    void record_described(F describe) {
        if (keep_entries || on_record)
            record(describe());
        else
            count_call();
    }
    // Records `call`; never throws.
    void record_quiet(const std::string& call);
    // The n-th call that can throw, counted from now, throws host_fault (1 = the next);
    // 0 cancels.
    void fail_at(uint64_t n);
    // Whether the last planned failure has happened; a cancel leaves the answer standing.
    bool failed() const { return failed_; }
    void clear() { entries.clear(); }

    std::vector<std::string> entries;
    bool keep_entries = true; // off for long runs where only the counts matter
    // Runs after every call that did not fail, before the fake answers it: lets a test
    // change the player's state between two calls of one handler.
    std::function<void(const std::string&)> on_record;

private:
    // Counts one call that can throw; throws host_fault when it is the one planned to fail.
    void count_call();

    uint64_t counted_ = 0;
    uint64_t fail_at_ = 0;
    bool failed_ = false;
};

// The player's state as the services report it.
struct player_state {
    uint32_t playlist_count = 1;
    uint32_t active_playlist = 0;
    uint32_t playing_playlist = no_playlist;
    uint32_t active_order = 0;
    bool playing = false;
};

// Reference counting shared by the fake services.
class counted_service {
public:
    int outstanding() const { return refs_; }

protected:
    explicit counted_service(call_log& log, const char* name) : log_(&log), name_(name) {}
    int count_release();
    int count_add_ref();
    call_log* log_;
    const char* name_;

private:
    int refs_ = 0;
};

class fake_playlist_service final : public playlist_service, public counted_service {
public:
    fake_playlist_service(call_log& log, player_state& state);
    int release() override { return count_release(); }
    int add_ref() override { return count_add_ref(); }
    bool query(service_ptr& out, const GUID& guid) override;
    uint32_t playlist_count() override;
    uint32_t active_playlist() override;
    uint32_t playing_playlist() override;
    uint32_t active_order() override;
    void set_active_order(uint32_t order) override;

    // Called after the order is put in force, as a player notifies its callbacks.
    std::function<void(uint32_t)> on_order_set;

private:
    player_state* state_;
};

class fake_playback_service final : public playback_service, public counted_service {
public:
    fake_playback_service(call_log& log, player_state& state);
    int release() override { return count_release(); }
    int add_ref() override { return count_add_ref(); }
    bool query(service_ptr& out, const GUID& guid) override;
    bool is_playing() override;

private:
    player_state* state_;
};

// A counted track; references() tells how many references are still out.
class fake_track final : public track_handle {
public:
    explicit fake_track(call_log& log) : log_(&log) {}
    int release() override;
    int add_ref() override;
    int references() const { return refs_; }

    // Hands out one reference for an event argument.
    track_handle* pass() {
        ++refs_;
        return this;
    }

private:
    call_log* log_;
    int refs_ = 0;
};

class fake_host final : public host_api {
public:
    fake_host();

    service_class_handle find_class(const GUID& guid) override;
    bool create(service_ptr& out, service_class_handle handle, uint32_t index) override;
    uint32_t count(service_class_handle handle) override;

    // References to the fake services still held by the component.
    int outstanding() const;

    call_log log;
    player_state state;
    fake_playlist_service playlists;
    fake_playback_service playback;

    // Instances reported per class (0 or several exercise the acquisition errors).
    uint32_t playlist_instances = 1;
    uint32_t playback_instances = 1;
    bool create_fails = false;
    // create answers true but hands out nothing, as a broken host might.
    bool create_hands_out_nothing = false;
};

// Far more calls than any event makes; a run still failing there would never end.
constexpr uint64_t host_call_limit = 10000;

// Runs `event` with the host's 1st, 2nd, ... call failing until a run goes through. Each run
// starts with `prepare()` and a fresh log; after it the plan is cancelled and `after(n,
// thrown)` sees how run n ended (thrown: host_fault reached the caller; host.log.failed()
// still tells whether the planned call was made). Returns the number of runs that threw;
// throws std::logic_error if the event still throws at host_call_limit.
template <typename Prepare, typename Event, typename After>
uint64_t fail_each_host_call(fake_host& host, Prepare prepare, Event event, After after) {
    for (uint64_t n = 1; n <= host_call_limit; ++n) {
        prepare();
        host.log.clear();
        host.log.fail_at(n);
        bool thrown = false;
        try {
            event();
        } catch (const host_fault&) {
            thrown = true;
        }
        host.log.fail_at(0);
        after(n, thrown);
        if (!thrown)
            return n - 1;
    }
    throw std::logic_error("the event still fails with host call " +
                           std::to_string(host_call_limit) + " failing");
}

// Makes the host fire playback_order_changed at `events` whenever the component sets the
// order, from inside set_active_order, as a real player does.
void notify_order_changes(fake_host& host, playlist_callback* events);

// A removal mask over a vector of bits; records its calls in `log` when given one.
class fake_bit_array final : public bit_array {
public:
    explicit fake_bit_array(std::vector<bool> bits, call_log* log = nullptr)
        : bits_(std::move(bits)), log_(log) {}
    bool get(uint32_t index) const override;
    uint32_t find(bool value, uint32_t start, uint32_t count) const override;

private:
    std::vector<bool> bits_; // positions beyond the vector read as false
    call_log* log_;
};

// An input stream over bytes; records every operation ("read(16)=16", "read_exact(4)",
// "skip_exact(0)", ...) and can fail through the log.
class fake_reader final : public stream_reader {
public:
    fake_reader(std::vector<uint8_t> bytes, call_log& log) : bytes_(std::move(bytes)), log_(&log) {}
    uint32_t read(void* buffer, uint32_t bytes, abort_token& abort) override;
    void read_exact(void* buffer, uint32_t bytes, abort_token& abort) override;
    uint64_t skip(uint64_t bytes, abort_token& abort) override;
    void skip_exact(uint64_t bytes, abort_token& abort) override;
    size_t position() const { return position_; }

private:
    std::vector<uint8_t> bytes_;
    size_t position_ = 0;
    call_log* log_;
};

// An output stream that collects bytes; records "write(N)" per call.
class fake_writer final : public stream_writer {
public:
    explicit fake_writer(call_log& log) : log_(&log) {}
    void write(const void* data, uint32_t bytes, abort_token& abort) override;
    std::vector<uint8_t> bytes;

private:
    call_log* log_;
};

// The host's string object.
class fake_string final : public string_sink {
public:
    void set_string(const char* text, uint32_t max_length) override;
    std::string value;
    int calls = 0;
    uint32_t last_max_length = 0;
};

} // namespace fake
