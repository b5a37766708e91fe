#include "lean_host.h"

#include <cstring>
#include <stdexcept>

#include "host/service_ptr.h"

namespace bench {

namespace {
// Class handles are the addresses of these markers.
char playlist_class_marker;
char playback_class_marker;

service_class_handle handle_of(char& marker) noexcept {
    return reinterpret_cast<service_class_handle>(&marker);
}

// Position of the lowest set bit of a non-zero word, in constant time and without compiler
// extensions: isolates the bit and looks its de Bruijn product up.
uint32_t lowest_bit(uint64_t word) noexcept {
    static const uint8_t positions[64] = {
        0,  1,  48, 2,  57, 49, 28, 3,  61, 58, 50, 42, 38, 29, 17, 4,  62, 55, 59, 36, 53, 51,
        43, 22, 45, 39, 33, 30, 24, 18, 12, 5,  63, 47, 56, 27, 60, 41, 37, 16, 54, 35, 52, 21,
        44, 32, 23, 11, 46, 26, 40, 15, 34, 20, 31, 10, 25, 14, 19, 9,  13, 8,  7,  6};
    const uint64_t isolated = word & (~word + 1);
    return positions[(isolated * 0x03F79D71B4CB0A89u) >> 58];
}
} // namespace

int lean_playlist_service::release() {
    return --references;
}
int lean_playlist_service::add_ref() {
    return ++references;
}
bool lean_playlist_service::query(service_ptr& out, const GUID& guid) {
    if (!guid_equal(guid, playlist_service::class_guid))
        return false;
    out = static_cast<service_base*>(this);
    return true;
}
uint32_t lean_playlist_service::playlist_count() {
    return state_->playlist_count;
}
uint32_t lean_playlist_service::active_playlist() {
    return state_->active_playlist;
}
uint32_t lean_playlist_service::playing_playlist() {
    return state_->playing_playlist;
}
uint32_t lean_playlist_service::active_order() {
    return state_->active_order;
}
void lean_playlist_service::set_active_order(uint32_t order) {
    state_->active_order = order;
}

int lean_playback_service::release() {
    return --references;
}
int lean_playback_service::add_ref() {
    return ++references;
}
bool lean_playback_service::query(service_ptr& out, const GUID& guid) {
    if (!guid_equal(guid, playback_service::class_guid))
        return false;
    out = static_cast<service_base*>(this);
    return true;
}
bool lean_playback_service::is_playing() {
    return state_->playing;
}

service_class_handle lean_host::find_class(const GUID& guid) {
    if (guid_equal(guid, playlist_service::class_guid))
        return handle_of(playlist_class_marker);
    if (guid_equal(guid, playback_service::class_guid))
        return handle_of(playback_class_marker);
    return nullptr;
}

bool lean_host::create(service_ptr& out, service_class_handle handle, uint32_t index) {
    if (index != 0)
        return false;
    if (handle == handle_of(playlist_class_marker))
        out = static_cast<service_base*>(&playlists);
    else if (handle == handle_of(playback_class_marker))
        out = static_cast<service_base*>(&playback);
    else
        return false;
    return true;
}

uint32_t lean_host::count(service_class_handle handle) {
    return handle == handle_of(playlist_class_marker) || handle == handle_of(playback_class_marker)
               ? 1
               : 0;
}

int lean_track::release() {
    return --references;
}
int lean_track::add_ref() {
    return ++references;
}

lean_mask::lean_mask(const std::vector<bool>& bits) : words_((bits.size() + 63) / 64 + 1, 0) {
    for (size_t i = 0; i < bits.size(); ++i)
        if (bits[i])
            words_[i / 64] |= uint64_t{1} << (i % 64);
}

bool lean_mask::get(uint32_t index) const {
    const size_t word = index / 64;
    return word < words_.size() && ((words_[word] >> (index % 64)) & 1) != 0;
}

uint32_t lean_mask::find(bool value, uint32_t start, uint32_t count) const {
    const uint64_t end = static_cast<uint64_t>(start) + count;
    uint64_t p = start;
    while (p < end) {
        const size_t word = static_cast<size_t>(p / 64);
        uint64_t bits = word < words_.size() ? words_[word] : 0;
        if (!value)
            bits = ~bits;
        bits &= ~uint64_t{0} << (p % 64);
        if (bits != 0) {
            const uint64_t found = word * 64 + lowest_bit(bits);
            return static_cast<uint32_t>(found < end ? found : end);
        }
        p = (word + 1) * 64;
    }
    return static_cast<uint32_t>(end);
}

void memory_reader::reset(const uint8_t* bytes, size_t size) noexcept {
    bytes_ = bytes;
    size_ = size;
    position_ = 0;
}

uint32_t memory_reader::read(void* buffer, uint32_t bytes, abort_token&) {
    const size_t available = size_ - position_;
    const uint32_t n = bytes < available ? bytes : static_cast<uint32_t>(available);
    if (n != 0)
        std::memcpy(buffer, bytes_ + position_, n);
    position_ += n;
    return n;
}

void memory_reader::read_exact(void* buffer, uint32_t bytes, abort_token& abort) {
    if (read(buffer, bytes, abort) != bytes)
        throw std::runtime_error("unexpected end of stream");
}

uint64_t memory_reader::skip(uint64_t bytes, abort_token&) {
    const size_t available = size_ - position_;
    const uint64_t n = bytes < available ? bytes : available;
    position_ += static_cast<size_t>(n);
    return n;
}

void memory_reader::skip_exact(uint64_t bytes, abort_token& abort) {
    if (skip(bytes, abort) != bytes)
        throw std::runtime_error("unexpected end of stream");
}

void memory_writer::write(const void* data, uint32_t bytes, abort_token&) {
    if (block_.size() - size_ < bytes)
        block_.resize(2 * (size_ + bytes));
    std::memcpy(block_.data() + size_, data, bytes);
    size_ += bytes;
}

namespace {
class ascending final : public item_comparator {
public:
    int32_t compare(const unsigned int& a, const unsigned int& b) override {
        return a < b ? -1 : (a > b ? 1 : 0);
    }
};
} // namespace

lean_host& host() {
    static lean_host the_host;
    return the_host;
}
host_api& host_interface() {
    return host();
}
item_comparator& value_comparator() {
    static ascending the_comparator;
    return the_comparator;
}
abort_token& abort_object() {
    static abort_token the_abort;
    return the_abort;
}

} // namespace bench
