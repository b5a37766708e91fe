#pragma once

// A host for the benchmarks: the same host side of the ABI as the test host, with nothing
// recorded, so that the host's own cost stays small beside the component's. Every class
// is defined out of line (lean_host.cpp), so that neither the component nor a baseline can
// see through a virtual call into the host.
//
// It stays apart from the test-support library's fake host on purpose: that one logs every
// call, counts references per service and can fail any call, all of which would be timed
// with the component. The benchmarks share only the factory walk and the store access.

#include <cstdint>
#include <vector>

#include "host/host_api.h"
#include "host/playback_service.h"
#include "host/playlist_service.h"
#include "host/stream.h"
#include "host/track_handle.h"
#include "varo/bit_array.h"
#include "varo/list.h"

// The host's abort object: nothing in it; the component only passes it on.
class abort_token {};

namespace bench {

// The player's state as the services report it.
struct player_state {
    uint32_t playlist_count = 0;
    uint32_t active_playlist = 0;
    uint32_t playing_playlist = no_playlist;
    uint32_t active_order = 0;
    bool playing = false;
};

class lean_playlist_service final : public playlist_service {
public:
    explicit lean_playlist_service(player_state& state) noexcept : state_(&state) {}
    int release() override;
    int add_ref() override;
    bool query(service_ptr& out, const GUID& guid) override;
    uint32_t playlist_count() override;
    uint32_t active_playlist() override;
    uint32_t playing_playlist() override;
    uint32_t active_order() override;
    void set_active_order(uint32_t order) override;

    int references = 0;

private:
    player_state* state_;
};

class lean_playback_service final : public playback_service {
public:
    explicit lean_playback_service(player_state& state) noexcept : state_(&state) {}
    int release() override;
    int add_ref() override;
    bool query(service_ptr& out, const GUID& guid) override;
    bool is_playing() override;

    int references = 0;

private:
    player_state* state_;
};

class lean_host final : public host_api {
public:
    lean_host() noexcept : playlists(state), playback(state) {}
    service_class_handle find_class(const GUID& guid) override;
    bool create(service_ptr& out, service_class_handle handle, uint32_t index) override;
    uint32_t count(service_class_handle handle) override;

    player_state state;
    lean_playlist_service playlists;
    lean_playback_service playback;
};

class lean_track final : public track_handle {
public:
    int release() override;
    int add_ref() override;
    int references = 0;
};

// A removal mask over packed bits; `find` scans a word at a time.
class lean_mask final : public bit_array {
public:
    explicit lean_mask(const std::vector<bool>& bits);
    bool get(uint32_t index) const override;
    uint32_t find(bool value, uint32_t start, uint32_t count) const override;

private:
    std::vector<uint64_t> words_; // bits beyond the mask's size read as false
};

// An input stream over bytes the caller keeps.
class memory_reader final : public stream_reader {
public:
    void reset(const uint8_t* bytes, size_t size) noexcept;
    uint32_t read(void* buffer, uint32_t bytes, abort_token& abort) override;
    void read_exact(void* buffer, uint32_t bytes, abort_token& abort) override;
    uint64_t skip(uint64_t bytes, abort_token& abort) override;
    void skip_exact(uint64_t bytes, abort_token& abort) override;

private:
    const uint8_t* bytes_ = nullptr;
    size_t size_ = 0;
    size_t position_ = 0;
};

// An output stream into a block it keeps between runs, so that a warmed-up writer does
// not allocate.
class memory_writer final : public stream_writer {
public:
    void write(const void* data, uint32_t bytes, abort_token& abort) override;
    void clear() noexcept { size_ = 0; }
    const uint8_t* data() const noexcept { return block_.data(); }
    size_t size() const noexcept { return size_; }

private:
    std::vector<uint8_t> block_;
    size_t size_ = 0;
};

using item_comparator = varo::list_base_t<unsigned int>::item_comparator;

// The one host, the one comparator and the one abort object of the run, reached through
// their interfaces only.
lean_host& host();
host_api& host_interface();
item_comparator& value_comparator();
abort_token& abort_object();

} // namespace bench
