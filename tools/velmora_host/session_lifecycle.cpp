// Starting, quitting and crashing the component.

#include <string>

#include "host/component_client.h"
#include "host_errors.h"
#include "host_streams.h"
#include "session.h"

namespace velmora_host {

namespace {

// The host's output string object.
class host_string final : public string_sink {
public:
    void set_string(const char* text, uint32_t max_length) override {
        value.clear();
        for (uint32_t i = 0; text != nullptr && i < max_length && text[i] != '\0'; ++i)
            value += text[i];
    }
    std::string value;
};

std::string service_name(const GUID& guid) {
    if (guid_equal(guid, initquit::class_guid))
        return "initquit";
    if (guid_equal(guid, play_callback_static::class_guid))
        return "play_callback_static";
    if (guid_equal(guid, playlist_callback_static::class_guid))
        return "playlist_callback_static";
    if (guid_equal(guid, componentversion::class_guid))
        return "componentversion";
    return "unknown service";
}

} // namespace

void session::start() {
    component_ = std::make_unique<loaded_component>(options_.component);
    loaded_component& c = *component_;
    call("velmora_get_interface",
         [&] { c.client = c.library.entry()(&player_, c.library.instance()); });
    if (c.client == nullptr)
        throw host_failure(options_.component.string() + " returned no client");
    uint32_t revision = 0;
    call("get_client_version", [&] { revision = c.client->get_client_version(); });
    if (revision != component_client_revision)
        throw host_failure(options_.component.string() + " speaks client revision " +
                           std::to_string(revision) + ", the host " +
                           std::to_string(component_client_revision));

    const std::string path = options_.component.string();
    const std::string file_name = options_.component.filename().string();
    call("set_module_path", [&] { c.client->set_module_path(path.c_str(), file_name.c_str()); });
    call("set_services_ready", [&] { c.client->set_services_ready(true); });
    const std::string services = connect_services();
    announce_component();
    out_.note("services: " + services);

    const auto saved = profile_.load_config();
    if (saved) {
        out_.note("read_config: " + std::to_string(saved->size()) + " bytes of component.cfg");
        memory_reader reader(*saved);
        abort_token abort;
        call("read_config", [&] { c.client->read_config(reader, abort); });
    } else {
        out_.note("no component.cfg: nothing to read");
    }
    for (initquit* hook : c.startup)
        call("on_startup", [&] { hook->on_startup(); });
}

std::string session::connect_services() {
    loaded_component& c = *component_;
    service_factory_base* factory = nullptr;
    call("get_factory_list", [&] { factory = c.client->get_factory_list(); });
    std::string names;
    for (; factory != nullptr; factory = factory->next) {
        const GUID guid = *factory->guid;
        service_ptr instance;
        if (!call("create_instance", [&] { factory->create_instance(instance); }) ||
            instance.is_empty())
            continue;
        names += (names.empty() ? "" : ", ") + service_name(guid);
        // The factory's GUID names the interface its object implements.
        service_base* object = instance.get();
        if (guid_equal(guid, initquit::class_guid)) {
            c.startup.push_back(static_cast<initquit*>(object));
        } else if (guid_equal(guid, play_callback_static::class_guid)) {
            auto* events = static_cast<play_callback_static*>(object);
            uint32_t flags = 0;
            call("get_flags", [&] { flags = events->get_flags(); });
            c.playback_events.push_back({events, flags});
        } else if (guid_equal(guid, playlist_callback_static::class_guid)) {
            auto* events = static_cast<playlist_callback_static*>(object);
            uint32_t flags = 0;
            call("get_flags", [&] { flags = events->get_flags(); });
            c.playlist_events.push_back({events, flags});
        } else if (guid_equal(guid, componentversion::class_guid)) {
            c.version = static_cast<componentversion*>(object);
        }
        c.held.push_back(std::move(instance));
    }
    return names.empty() ? "none" : names;
}

void session::announce_component() {
    componentversion* version = component_->version;
    if (version == nullptr) {
        out_.note("loaded " + options_.component.filename().string() + " (no version record)");
        return;
    }
    host_string name, number, file;
    call("get_component_name", [&] { version->get_component_name(name); });
    call("get_component_version", [&] { version->get_component_version(number); });
    call("get_file_name", [&] { version->get_file_name(file); });
    out_.note("loaded " + name.value + " " + number.value + " from " + file.value);
}

void session::quit() {
    loaded_component& c = *component_;
    for (initquit* hook : c.startup)
        call("on_shutdown", [&] { hook->on_shutdown(); });
    memory_writer writer;
    abort_token abort;
    const bool written = call("write_config", [&] { c.client->write_config(writer, abort); });
    // The player is closing: playback ends with it, and no event reaches the component.
    player_.state.playing = false;
    player_.state.playing_playlist = no_playlist;
    if (written)
        profile_.save_config(writer.bytes);
    profile_.save_state(player_.state);
    component_.reset();
    if (written)
        out_.note("saved component.cfg (" + std::to_string(writer.bytes.size()) +
                  " bytes) and host.state; component unloaded");
    else
        out_.note("kept the previous component.cfg, saved host.state; component unloaded");
}

void session::crash() {
    component_.reset();
    // A crashed player comes back with what it last saved, and nothing playing.
    player_.state = profile_.load_state();
    out_.note("component unloaded without saving; the host is back to its saved state");
}

} // namespace velmora_host
