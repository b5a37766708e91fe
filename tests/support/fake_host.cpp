#include "fake_host.h"

#include <algorithm>
#include <cstring>

namespace fake {

void call_log::record(const std::string& call) {
    if (keep_entries)
        entries.push_back(call);
    count_call();
    if (on_record)
        on_record(call);
}

void call_log::record(const char* call) {
    if (keep_entries || on_record)
        record(std::string(call));
    else
        count_call();
}

void call_log::count_call() {
    ++counted_;
    if (fail_at_ != 0 && counted_ == fail_at_) {
        failed_ = true;
        if (keep_entries)
            entries.push_back("fault");
        throw host_fault();
    }
}

void call_log::record_quiet(const std::string& call) {
    if (keep_entries)
        entries.push_back(call);
}

void call_log::fail_at(uint64_t n) {
    fail_at_ = n == 0 ? 0 : counted_ + n;
    if (n != 0)
        failed_ = false;
}

int counted_service::count_release() {
    log_->record_quiet(std::string("release ") + name_);
    return --refs_;
}

int counted_service::count_add_ref() {
    log_->record_quiet(std::string("add_ref ") + name_);
    return ++refs_;
}

fake_playlist_service::fake_playlist_service(call_log& log, player_state& state)
    : counted_service(log, "playlist"), state_(&state) {}

bool fake_playlist_service::query(service_ptr& out, const GUID& guid) {
    log_->record("query playlist");
    if (!guid_equal(guid, playlist_service::class_guid))
        return false;
    out = static_cast<playlist_service*>(this);
    return true;
}

uint32_t fake_playlist_service::playlist_count() {
    log_->record("playlist_count");
    return state_->playlist_count;
}

uint32_t fake_playlist_service::active_playlist() {
    log_->record("active_playlist");
    return state_->active_playlist;
}

uint32_t fake_playlist_service::playing_playlist() {
    log_->record("playing_playlist");
    return state_->playing_playlist;
}

uint32_t fake_playlist_service::active_order() {
    log_->record("active_order");
    return state_->active_order;
}

void fake_playlist_service::set_active_order(uint32_t order) {
    log_->record_described([&] { return "set_active_order " + std::to_string(order); });
    state_->active_order = order;
    if (on_order_set)
        on_order_set(order);
}

fake_playback_service::fake_playback_service(call_log& log, player_state& state)
    : counted_service(log, "playback"), state_(&state) {}

bool fake_playback_service::query(service_ptr& out, const GUID& guid) {
    log_->record("query playback");
    if (!guid_equal(guid, playback_service::class_guid))
        return false;
    out = static_cast<playback_service*>(this);
    return true;
}

bool fake_playback_service::is_playing() {
    log_->record("is_playing");
    return state_->playing;
}

int fake_track::release() {
    log_->record_quiet("release track");
    return --refs_;
}

int fake_track::add_ref() {
    log_->record("add_ref track");
    return ++refs_;
}

namespace {
// Class handles are the addresses of these markers; the host knows no other class.
char playlist_class_marker;
char playback_class_marker;
service_class_handle playlist_class() {
    return reinterpret_cast<service_class_handle>(&playlist_class_marker);
}
service_class_handle playback_class() {
    return reinterpret_cast<service_class_handle>(&playback_class_marker);
}
} // namespace

fake_host::fake_host() : playlists(log, state), playback(log, state) {}

service_class_handle fake_host::find_class(const GUID& guid) {
    if (guid_equal(guid, playlist_service::class_guid)) {
        log.record("find_class playlist");
        return playlist_class();
    }
    if (guid_equal(guid, playback_service::class_guid)) {
        log.record("find_class playback");
        return playback_class();
    }
    log.record("find_class unknown");
    return nullptr;
}

uint32_t fake_host::count(service_class_handle handle) {
    if (handle == playlist_class()) {
        log.record("count playlist");
        return playlist_instances;
    }
    if (handle == playback_class()) {
        log.record("count playback");
        return playback_instances;
    }
    log.record("count unknown");
    return 0;
}

bool fake_host::create(service_ptr& out, service_class_handle handle, uint32_t index) {
    const bool playlist = handle == playlist_class();
    log.record(std::string("create ") + (playlist ? "playlist" : "playback") + " " +
               std::to_string(index));
    if (create_fails || (!playlist && handle != playback_class()))
        return false;
    if (create_hands_out_nothing)
        return true;
    if (playlist)
        out = static_cast<playlist_service*>(&playlists);
    else
        out = static_cast<playback_service*>(&playback);
    return true;
}

int fake_host::outstanding() const {
    return playlists.outstanding() + playback.outstanding();
}

void notify_order_changes(fake_host& host, playlist_callback* events) {
    host.playlists.on_order_set = [&host, events](uint32_t order) {
        host.log.record_quiet("notify playback_order_changed " + std::to_string(order));
        events->playback_order_changed(order);
    };
}

bool fake_bit_array::get(uint32_t index) const {
    if (log_ != nullptr)
        log_->record("get " + std::to_string(index));
    return index < bits_.size() && bits_[index];
}

uint32_t fake_bit_array::find(bool value, uint32_t start, uint32_t count) const {
    if (log_ != nullptr)
        log_->record("find " + std::to_string(value) + " " + std::to_string(start) + " " +
                     std::to_string(count));
    const uint64_t end = static_cast<uint64_t>(start) + count;
    for (uint64_t p = start; p < end; ++p) {
        const bool bit = p < bits_.size() && bits_[static_cast<size_t>(p)];
        if (bit == value)
            return static_cast<uint32_t>(p);
    }
    return static_cast<uint32_t>(end);
}

uint32_t fake_reader::read(void* buffer, uint32_t bytes, abort_token&) {
    const size_t available = bytes_.size() - position_;
    const uint32_t n = static_cast<uint32_t>(std::min<size_t>(bytes, available));
    log_->record_described(
        [&] { return "read(" + std::to_string(bytes) + ")=" + std::to_string(n); });
    if (n != 0)
        std::memcpy(buffer, bytes_.data() + position_, n);
    position_ += n;
    return n;
}

void fake_reader::read_exact(void* buffer, uint32_t bytes, abort_token&) {
    log_->record_described([&] { return "read_exact(" + std::to_string(bytes) + ")"; });
    if (bytes_.size() - position_ < bytes) {
        position_ = bytes_.size();
        throw stream_end();
    }
    if (bytes != 0)
        std::memcpy(buffer, bytes_.data() + position_, bytes);
    position_ += bytes;
}

uint64_t fake_reader::skip(uint64_t bytes, abort_token&) {
    log_->record("skip(" + std::to_string(bytes) + ")");
    const uint64_t n = std::min<uint64_t>(bytes, bytes_.size() - position_);
    position_ += static_cast<size_t>(n);
    return n;
}

void fake_reader::skip_exact(uint64_t bytes, abort_token&) {
    log_->record("skip_exact(" + std::to_string(bytes) + ")");
    if (bytes_.size() - position_ < bytes) {
        position_ = bytes_.size();
        throw stream_end();
    }
    position_ += static_cast<size_t>(bytes);
}

void fake_writer::write(const void* data, uint32_t count, abort_token&) {
    log_->record_described([&] { return "write(" + std::to_string(count) + ")"; });
    const uint8_t* p = static_cast<const uint8_t*>(data);
    bytes.insert(bytes.end(), p, p + count);
}

void fake_string::set_string(const char* text, uint32_t max_length) {
    ++calls;
    last_max_length = max_length;
    value = max_length == string_sink_whole_text ? std::string(text)
                                                 : std::string(text, strnlen(text, max_length));
}

} // namespace fake
