// A host written from the published interface tables alone: it declares every interface
// itself, includes nothing of the component's, loads the shared library at run time and
// drives each service through the factory list.

#include <dlfcn.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <stdexcept>
#include <string>
#include <vector>

namespace {

// ---- The interface tables, as a host declares them --------------------------------------

struct class_id {
    uint32_t a;
    uint16_t b;
    uint16_t c;
    uint8_t d[8];
};

bool same_id(const class_id& x, const class_id& y) {
    return std::memcmp(&x, &y, sizeof x) == 0;
}

class counted_ref;

class counted_object {
public:
    virtual int drop() = 0;
    virtual int keep() = 0;
    virtual bool ask(counted_ref& out, const class_id& id) = 0;
};

// One pointer, passed by reference; owns one reference to what it holds.
class counted_ref {
public:
    counted_ref() = default;
    counted_ref(const counted_ref&) = delete;
    counted_ref& operator=(const counted_ref&) = delete;
    ~counted_ref() { hold(nullptr); }
    void hold(counted_object* object) {
        if (object != nullptr)
            object->keep();
        if (held != nullptr)
            held->drop();
        held = object;
    }
    counted_object* held = nullptr;
};

class factory_node {
public:
    virtual void make(counted_ref& out) = 0;
    factory_node* next;
    const class_id* id;
};

struct class_token;

class directory {
public:
    virtual class_token* lookup(const class_id& id) = 0;
    virtual bool make(counted_ref& out, class_token* token, uint32_t index) = 0;
    virtual uint32_t instances(class_token* token) = 0;
};

class playlist_manager : public counted_object {
public:
    virtual uint32_t playlists() = 0;
    virtual uint32_t active() = 0;
    virtual uint32_t playing() = 0;
    virtual uint32_t order() = 0;
    virtual void put_order(uint32_t order) = 0;
};

class playback_control : public counted_object {
public:
    virtual bool running() = 0;
};

class lifecycle_hook : public counted_object {
public:
    virtual void started() = 0;
    virtual void stopping() = 0;
};

class track {
public:
    virtual int drop() = 0;
    virtual int keep() = 0;
};

class play_events {
public:
    virtual void e1(uint32_t, uint32_t) = 0;
    virtual void track_began(track* t) = 0;
    virtual void stopped(uint32_t reason) = 0;
    virtual void e4(double) = 0;
    virtual void e5(uint32_t) = 0;
    virtual void e6(track* t) = 0;
    virtual void e7(uint32_t) = 0;
    virtual void e8(uint32_t) = 0;
    virtual void e9(double) = 0;
    virtual void e10(float) = 0;
};

class play_events_service : public counted_object, public play_events {
public:
    virtual uint32_t flags() = 0;
};

class mask {
public:
    virtual bool at(uint32_t index) const = 0;
    virtual uint32_t first(bool value, uint32_t start, uint32_t count) const = 0;
};

class list_events {
public:
    virtual void e1(uint32_t, uint32_t, uint32_t, uint32_t) = 0;
    virtual void e2(uint32_t, uint32_t, uint32_t) = 0;
    virtual void e3(uint32_t, uint32_t, uint32_t, uint32_t) = 0;
    virtual void e4(uint32_t, uint32_t, uint32_t, uint32_t) = 0;
    virtual void e5(uint32_t, uint32_t, uint32_t) = 0;
    virtual void e6(uint32_t, uint32_t, uint32_t) = 0;
    virtual void e7(uint32_t, uint32_t) = 0;
    virtual void e8(uint32_t, uint32_t, uint32_t) = 0;
    virtual void e9(uint32_t, uint32_t, uint32_t) = 0;
    virtual void e10(uint32_t, uint32_t) = 0;
    virtual void activated(uint32_t old_index, uint32_t new_index) = 0;
    virtual void created(uint32_t index, const char* name, uint32_t length) = 0;
    virtual void reordered(const uint32_t* order, uint32_t count) = 0;
    virtual void e14(uint32_t, uint32_t, uint32_t) = 0;
    virtual void removed(const mask& gone, uint32_t old_count, uint32_t new_count) = 0;
    virtual void e16(uint32_t, uint32_t, uint32_t) = 0;
    virtual void e17() = 0;
    virtual void order_picked(uint32_t order) = 0;
    virtual void e19(uint32_t, uint32_t) = 0;
};

class list_events_service : public counted_object, public list_events {
public:
    virtual uint32_t flags() = 0;
};

class text_out {
public:
    virtual void put(const char* text, uint32_t max_length) = 0;
};

class about_record : public counted_object {
public:
    virtual void file(text_out& out) = 0;
    virtual void name(text_out& out) = 0;
    virtual void version(text_out& out) = 0;
    virtual void about(text_out& out) = 0;
};

class cancel_flag;

class input {
public:
    virtual uint32_t read(void* buffer, uint32_t bytes, cancel_flag& cancel) = 0;
    virtual void read_exact(void* buffer, uint32_t bytes, cancel_flag& cancel) = 0;
    virtual uint64_t skip(uint64_t bytes, cancel_flag& cancel) = 0;
    virtual void skip_exact(uint64_t bytes, cancel_flag& cancel) = 0;
};

class output {
public:
    virtual void write(const void* data, uint32_t bytes, cancel_flag& cancel) = 0;
};

class client {
public:
    virtual uint32_t revision() = 0;
    virtual factory_node* factories() = 0;
    virtual void save(output& out, cancel_flag& cancel) = 0;
    virtual void load(input& in, cancel_flag& cancel) = 0;
    virtual void module_path(const char* path, const char* file_name) = 0;
    virtual void ready(bool flag) = 0;
    virtual bool debug() = 0;
};

using entry_point = client* (*)(directory*, void*);

constexpr class_id lifecycle_id = {
    0x113773C4, 0xB387, 0x4B48, {0x8B, 0xDF, 0xAB, 0x58, 0xBC, 0x6C, 0xE5, 0x38}};
constexpr class_id play_events_id = {
    0x8E4EED7A, 0xC6B8, 0x49C7, {0x99, 0xFE, 0x97, 0xE0, 0x4A, 0xAA, 0x63, 0xA8}};
constexpr class_id list_events_id = {
    0x242D9341, 0x211A, 0x4637, {0xA6, 0x9F, 0xF6, 0x68, 0x4B, 0x52, 0xF9, 0xD6}};
constexpr class_id about_id = {
    0x10BB3EBD, 0xDDF7, 0x4975, {0xA3, 0xCC, 0x23, 0x08, 0x48, 0x29, 0x45, 0x3E}};
constexpr class_id playlist_manager_id = {
    0xD8D51855, 0xD79D, 0x49B8, {0x97, 0xA8, 0x06, 0x57, 0x85, 0xFA, 0x24, 0x26}};
constexpr class_id playback_control_id = {
    0xBF803668, 0x2977, 0x4C71, {0xB9, 0xAB, 0x5C, 0x77, 0xC3, 0x38, 0xC9, 0x70}};
constexpr class_id order_store_id = {
    0x38844CF8, 0x9FAE, 0x4ED0, {0xB6, 0xC7, 0x28, 0xE8, 0xB7, 0x1F, 0xCC, 0x4D}};

// ---- This host's side --------------------------------------------------------------------

struct player {
    uint32_t playlists = 3;
    uint32_t active = 0;
    uint32_t playing = 0xFFFFFFFF;
    uint32_t order = 2;
    bool running = false;
    std::vector<uint32_t> orders_put; // every put_order, in turn
    uint32_t order_questions = 0;
};

class host_playlists final : public playlist_manager {
public:
    explicit host_playlists(player& p) : p_(&p) {}
    int drop() override { return --refs; }
    int keep() override { return ++refs; }
    bool ask(counted_ref& out, const class_id& id) override {
        if (!same_id(id, playlist_manager_id))
            return false;
        out.hold(this);
        return true;
    }
    uint32_t playlists() override { return p_->playlists; }
    uint32_t active() override { return p_->active; }
    uint32_t playing() override { return p_->playing; }
    uint32_t order() override {
        ++p_->order_questions;
        return p_->order;
    }
    void put_order(uint32_t order) override {
        p_->order = order;
        p_->orders_put.push_back(order);
    }
    int refs = 0;

private:
    player* p_;
};

class host_playback final : public playback_control {
public:
    explicit host_playback(player& p) : p_(&p) {}
    int drop() override { return --refs; }
    int keep() override { return ++refs; }
    bool ask(counted_ref& out, const class_id& id) override {
        if (!same_id(id, playback_control_id))
            return false;
        out.hold(this);
        return true;
    }
    bool running() override { return p_->running; }
    int refs = 0;

private:
    player* p_;
};

class host_directory final : public directory {
public:
    host_directory() : playlists(state), playback(state) {}
    class_token* lookup(const class_id& id) override {
        if (same_id(id, playlist_manager_id))
            return reinterpret_cast<class_token*>(&playlists);
        if (same_id(id, playback_control_id))
            return reinterpret_cast<class_token*>(&playback);
        return nullptr;
    }
    bool make(counted_ref& out, class_token* token, uint32_t index) override {
        if (index != 0)
            return false;
        if (token == reinterpret_cast<class_token*>(&playlists))
            out.hold(&playlists);
        else if (token == reinterpret_cast<class_token*>(&playback))
            out.hold(&playback);
        else
            return false;
        return true;
    }
    uint32_t instances(class_token* token) override { return token != nullptr ? 1 : 0; }
    int references_out() const { return playlists.refs + playback.refs; }

    player state;
    host_playlists playlists;
    host_playback playback;
};

class host_track final : public track {
public:
    int drop() override { return --refs; }
    int keep() override { return ++refs; }
    int refs = 0;
};

class host_text final : public text_out {
public:
    void put(const char* text, uint32_t max_length) override {
        value = text;
        last_max_length = max_length;
    }
    std::string value;
    uint32_t last_max_length = 0;
};

class host_mask final : public mask {
public:
    explicit host_mask(std::vector<bool> bits) : bits_(std::move(bits)) {}
    bool at(uint32_t index) const override { return index < bits_.size() && bits_[index]; }
    uint32_t first(bool value, uint32_t start, uint32_t count) const override {
        for (uint32_t p = start; p < start + count; ++p)
            if (at(p) == value)
                return p;
        return start + count;
    }

private:
    std::vector<bool> bits_;
};

class cancel_flag {};

class host_output final : public output {
public:
    void write(const void* data, uint32_t bytes, cancel_flag&) override {
        const uint8_t* p = static_cast<const uint8_t*>(data);
        this->bytes.insert(this->bytes.end(), p, p + bytes);
    }
    std::vector<uint8_t> bytes;
};

class host_input final : public input {
public:
    explicit host_input(std::vector<uint8_t> bytes) : bytes_(std::move(bytes)) {}
    uint32_t read(void* buffer, uint32_t bytes, cancel_flag&) override {
        const size_t n = std::min<size_t>(bytes, bytes_.size() - at_);
        std::memcpy(buffer, bytes_.data() + at_, n);
        at_ += n;
        return static_cast<uint32_t>(n);
    }
    void read_exact(void* buffer, uint32_t bytes, cancel_flag& cancel) override {
        if (read(buffer, bytes, cancel) != bytes)
            throw std::runtime_error("stream ended");
    }
    uint64_t skip(uint64_t bytes, cancel_flag&) override {
        const size_t n = static_cast<size_t>(std::min<uint64_t>(bytes, bytes_.size() - at_));
        at_ += n;
        return n;
    }
    void skip_exact(uint64_t bytes, cancel_flag& cancel) override {
        if (skip(bytes, cancel) != bytes)
            throw std::runtime_error("stream ended");
    }

private:
    std::vector<uint8_t> bytes_;
    size_t at_ = 0;
};

void put_le32(std::vector<uint8_t>& out, uint32_t v) {
    for (int i = 0; i < 4; ++i)
        out.push_back(static_cast<uint8_t>(v >> (8 * i)));
}

// The configuration record of the order store holding `orders`, as the stream carries it.
std::vector<uint8_t> store_record(const std::vector<uint32_t>& orders) {
    std::vector<uint8_t> out;
    put_le32(out, order_store_id.a);
    for (uint16_t half : {order_store_id.b, order_store_id.c}) {
        out.push_back(static_cast<uint8_t>(half));
        out.push_back(static_cast<uint8_t>(half >> 8));
    }
    out.insert(out.end(), order_store_id.d, order_store_id.d + 8);
    put_le32(out, static_cast<uint32_t>(4 + 4 * orders.size()));
    put_le32(out, static_cast<uint32_t>(orders.size()));
    for (uint32_t v : orders)
        put_le32(out, v);
    return out;
}

// Unloads the library when the test ends, however it ends.
struct loaded_library {
    explicit loaded_library(const char* path) : handle(dlopen(path, RTLD_NOW | RTLD_LOCAL)) {}
    ~loaded_library() {
        if (handle != nullptr)
            dlclose(handle);
    }
    void* handle;
};

TEST(foreign_host_test, loads_the_library_and_drives_every_service) {
    loaded_library library(VERANDEL_LIBRARY);
    ASSERT_NE(library.handle, nullptr) << dlerror();
    void* symbol = dlsym(library.handle, "velmora_get_interface");
    ASSERT_NE(symbol, nullptr) << dlerror();
    entry_point entry;
    std::memcpy(&entry, &symbol, sizeof entry);

    host_directory host;
    int instance = 0;
    client* component = entry(&host, &instance);
    ASSERT_NE(component, nullptr);
    EXPECT_EQ(entry(&host, &instance), component) << "the export hands out one client";
    EXPECT_EQ(component->revision(), 72u);
    EXPECT_FALSE(component->debug());
    component->ready(true);

    // The factory list, complete on the first call.
    const class_id* expected_ids[] = {&lifecycle_id, &play_events_id, &list_events_id, &about_id};
    std::vector<counted_object*> services;
    factory_node* node = component->factories();
    for (const class_id* id : expected_ids) {
        ASSERT_NE(node, nullptr);
        // Driving a service found at the wrong place would call into the wrong table.
        ASSERT_TRUE(same_id(*node->id, *id)) << "list out of order";
        counted_ref made;
        node->make(made);
        ASSERT_NE(made.held, nullptr);
        services.push_back(made.held);
        node = node->next;
    }
    EXPECT_EQ(node, nullptr);

    // Every service answers its own class and nothing else.
    for (size_t i = 0; i < services.size(); ++i) {
        for (size_t j = 0; j < services.size(); ++j) {
            counted_ref out;
            EXPECT_EQ(services[i]->ask(out, *expected_ids[j]), i == j) << i << " asked " << j;
            EXPECT_EQ(out.held, i == j ? services[i] : nullptr);
        }
    }
    auto* lifecycle = static_cast<lifecycle_hook*>(services[0]);
    auto* playback_events = static_cast<play_events_service*>(services[1]);
    auto* playlist_events = static_cast<list_events_service*>(services[2]);
    auto* about = static_cast<about_record*>(services[3]);
    EXPECT_EQ(playback_events->flags(), 6u);
    EXPECT_EQ(playlist_events->flags(), 0xFFFFFFFFu);

    // The version record.
    host_text text;
    about->file(text);
    EXPECT_EQ(text.value, "");
    component->module_path("/opt/velmora/components/libverandel.so", "libverandel.so");
    about->file(text);
    EXPECT_EQ(text.value, "libverandel.so");
    about->name(text);
    EXPECT_EQ(text.value, "Verandel");
    about->version(text);
    EXPECT_EQ(text.value, "1.0");
    EXPECT_EQ(text.last_max_length, 0xFFFFFFFFu);
    about->about(text);
    EXPECT_FALSE(text.value.empty());

    cancel_flag cancel;
    auto saved_store = [&] {
        host_output out;
        component->save(out, cancel);
        return out.bytes;
    };

    // First start-up: three playlists, order 2 in force.
    EXPECT_EQ(saved_store(), store_record({})) << "empty at load";
    lifecycle->started();
    EXPECT_EQ(host.state.order_questions, 3u);
    EXPECT_EQ(saved_store(), store_record({2, 2, 2}));
    EXPECT_EQ(host.references_out(), 0);

    // Playlist events: record an order, apply it on activation, follow creation, reordering
    // and removal.
    host.state.active = 1;
    host.state.order = 5;
    playlist_events->order_picked(5);
    EXPECT_EQ(saved_store(), store_record({2, 5, 2}));
    host.state.active = 0;
    playlist_events->activated(1, 0);
    host.state.active = 1;
    playlist_events->activated(0, 1);
    EXPECT_EQ(host.state.orders_put, (std::vector<uint32_t>{2, 5}));
    host.state.playlists = 4;
    host.state.order = 7;
    playlist_events->created(3, "new", 3);
    EXPECT_EQ(saved_store(), store_record({2, 5, 2, 7}));
    const std::vector<uint32_t> order = {3, 1, 0, 2};
    playlist_events->reordered(order.data(), static_cast<uint32_t>(order.size()));
    EXPECT_EQ(saved_store(), store_record({7, 5, 2, 2}));
    host.state.playlists = 2;
    playlist_events->removed(host_mask({false, true, false, true}), 4, 2);
    EXPECT_EQ(saved_store(), store_record({7, 2}));
    EXPECT_EQ(host.references_out(), 0);

    // Playback events: the playing playlist's order on a track start, the active one's on
    // stop, nothing at all on stop code 2; every track reference comes back.
    host.state.orders_put.clear();
    host.state.running = true;
    host.state.playing = 0;
    host.state.active = 1;
    host_track song;
    song.keep();
    playback_events->track_began(&song);
    EXPECT_EQ(song.refs, 0);
    host.state.running = false;
    playback_events->stopped(2);
    playback_events->stopped(0);
    EXPECT_EQ(host.state.orders_put, (std::vector<uint32_t>{7, 2}));
    song.keep();
    playback_events->e6(&song);
    EXPECT_EQ(song.refs, 0);
    playback_events->e10(1.5f);
    playlist_events->e17();
    EXPECT_EQ(host.references_out(), 0);

    // Configuration from the host: the store takes the restored orders.
    host_input in(store_record({4, 4, 9}));
    component->load(in, cancel);
    EXPECT_EQ(saved_store(), store_record({4, 4, 9}));

    lifecycle->stopping();
    EXPECT_EQ(host.references_out(), 0);
}

} // namespace
