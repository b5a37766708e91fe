// A stand-in component that breaks one rule of the host interface on purpose, chosen at
// build time, so the sessions can show that velmora-host notices:
//   MISBEHAVIOUR_KEEP_SERVICE  on_startup keeps a reference to the playlist service
//   MISBEHAVIOUR_KEEP_TRACK    track_started never releases its track
//   MISBEHAVIOUR_EXTRA_RELEASE track_started releases its track twice
//   MISBEHAVIOUR_THROW         playback_order_changed throws; nothing else goes wrong
//   MISBEHAVIOUR_STAY_LOADED   pins its own library, so that unloading it leaves it mapped
// Otherwise it does nothing: no configuration, every event accepted and ignored.

#include <stdexcept>

#ifdef MISBEHAVIOUR_STAY_LOADED
#ifdef _WIN32
#ifndef WIN32_LEAN_AND_MEAN
#define WIN32_LEAN_AND_MEAN
#endif
#include <windows.h>
#else
#include <dlfcn.h>
#endif
#endif

#include "host/component_client.h"
#include "host/initquit.h"
#include "host/play_callback.h"
#include "host/playlist_callback.h"
#include "host/playlist_service.h"
#include "host/service_ptr.h"

namespace {

host_api* the_host = nullptr;
service_ptr kept_service;

// Static objects: references to them are not counted.
template <typename Interface>
class static_service : public Interface {
public:
    int release() override { return 1; }
    int add_ref() override { return 1; }
    bool query(service_ptr& out, const GUID& guid) override {
        if (!guid_equal(guid, Interface::class_guid))
            return false;
        out = this;
        return true;
    }
};

class startup final : public static_service<initquit> {
public:
    void on_startup() override {
#ifdef MISBEHAVIOUR_KEEP_SERVICE
        const service_class_handle handle = the_host->find_class(playlist_service::class_guid);
        the_host->create(kept_service, handle, 0);
#endif
    }
    void on_shutdown() override {}
};

class playback_events final : public static_service<play_callback_static> {
public:
    uint32_t get_flags() override { return play_callback_flags_all; }
    void playback_event_1(uint32_t, uint32_t) override {}
    void track_started(track_handle* track) override {
#ifdef MISBEHAVIOUR_KEEP_TRACK
        (void)track;
#else
        if (track != nullptr)
            track->release();
#endif
#ifdef MISBEHAVIOUR_EXTRA_RELEASE
        if (track != nullptr)
            track->release();
#endif
    }
    void playback_stopped(uint32_t) override {}
    void playback_event_4(double) override {}
    void playback_event_5(uint32_t) override {}
    void playback_event_6(track_handle* track) override {
        if (track != nullptr)
            track->release();
    }
    void playback_event_7(uint32_t) override {}
    void playback_event_8(uint32_t) override {}
    void playback_event_9(double) override {}
    void playback_event_10(float) override {}
};

class playlist_events final : public static_service<playlist_callback_static> {
public:
    uint32_t get_flags() override { return playlist_callback_flags_all; }
    void playlist_event_1(uint32_t, uint32_t, uint32_t, uint32_t) override {}
    void playlist_event_2(uint32_t, uint32_t, uint32_t) override {}
    void playlist_event_3(uint32_t, uint32_t, uint32_t, uint32_t) override {}
    void playlist_event_4(uint32_t, uint32_t, uint32_t, uint32_t) override {}
    void playlist_event_5(uint32_t, uint32_t, uint32_t) override {}
    void playlist_event_6(uint32_t, uint32_t, uint32_t) override {}
    void playlist_event_7(uint32_t, uint32_t) override {}
    void playlist_event_8(uint32_t, uint32_t, uint32_t) override {}
    void playlist_event_9(uint32_t, uint32_t, uint32_t) override {}
    void playlist_event_10(uint32_t, uint32_t) override {}
    void playlist_activated(uint32_t, uint32_t) override {}
    void playlist_created(uint32_t, const char*, uint32_t) override {}
    void playlists_reordered(const uint32_t*, uint32_t) override {}
    void playlist_event_14(uint32_t, uint32_t, uint32_t) override {}
    void playlists_removed(const bit_array&, uint32_t, uint32_t) override {}
    void playlist_event_16(uint32_t, uint32_t, uint32_t) override {}
    void playlist_event_17() override {}
    void playback_order_changed(uint32_t) override {
#ifdef MISBEHAVIOUR_THROW
        throw std::runtime_error("order change refused on purpose");
#endif
    }
    void playlist_event_19(uint32_t, uint32_t) override {}
};

template <typename Service>
class factory final : public service_factory_base {
public:
    explicit factory(service_factory_base* after) {
        next = after;
        guid = &Service::class_guid;
    }
    void create_instance(service_ptr& out) override { out = &service_; }

private:
    Service service_;
};

factory<startup> startup_factory(nullptr);
factory<playback_events> playback_factory(&startup_factory);
factory<playlist_events> playlist_factory(&playback_factory);

class client final : public component_client {
public:
    uint32_t get_client_version() override { return component_client_revision; }
    service_factory_base* get_factory_list() override { return &playlist_factory; }
    void write_config(stream_writer&, abort_token&) override {}
    void read_config(stream_reader&, abort_token&) override {}
    void set_module_path(const char*, const char*) override {}
    void set_services_ready(bool) override {}
    bool is_debug_build() override { return false; }
};

client the_client;

} // namespace

component_client* velmora_get_interface(host_api* api, module_instance_handle) {
    the_host = api;
#ifdef MISBEHAVIOUR_STAY_LOADED
#ifdef _WIN32
    HMODULE self = nullptr;
    GetModuleHandleExW(GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS | GET_MODULE_HANDLE_EX_FLAG_PIN,
                       reinterpret_cast<LPCWSTR>(&the_client), &self);
#else
    Dl_info self;
    if (dladdr(&the_client, &self) != 0 && self.dli_fname != nullptr)
        dlopen(self.dli_fname, RTLD_NOW | RTLD_NOLOAD | RTLD_NODELETE);
#endif
#endif
    return &the_client;
}
