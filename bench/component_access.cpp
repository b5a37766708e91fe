#include "component_access.h"

#include <cstring>
#include <stdexcept>

#include "host/service_ptr.h"
#include "lean_host.h"
#include "order_memory/order_store.h"

namespace bench {

namespace {
component_services connect() {
    component_services found;
    found.client = velmora_get_interface(&host_interface(), nullptr);
    for (service_factory_base* f = found.client->get_factory_list(); f != nullptr; f = f->next) {
        service_ptr instance;
        f->create_instance(instance);
        service_base* object = instance.get();
        if (guid_equal(*f->guid, initquit::class_guid))
            found.startup = static_cast<initquit*>(object);
        else if (guid_equal(*f->guid, play_callback_static::class_guid))
            found.playback_events = static_cast<play_callback_static*>(object);
        else if (guid_equal(*f->guid, playlist_callback_static::class_guid))
            found.playlist_events = static_cast<playlist_callback_static*>(object);
    }
    if (found.startup == nullptr || found.playback_events == nullptr ||
        found.playlist_events == nullptr)
        throw std::runtime_error("the component does not publish its services");
    return found;
}
} // namespace

const component_services& component() {
    static const component_services services = connect();
    return services;
}

void fill_store(const std::vector<uint32_t>& values) {
    const uint32_t n = static_cast<uint32_t>(values.size());
    cfg_playlist_order.resize(n);
    if (n != 0)
        std::memcpy(cfg_playlist_order.storage().data(), values.data(), n * sizeof(uint32_t));
}

std::vector<uint32_t> store_values() {
    const uint32_t n = cfg_playlist_order.item_count();
    std::vector<uint32_t> values(n);
    for (uint32_t i = 0; i < n; ++i)
        values[i] = cfg_playlist_order[i];
    return values;
}

} // namespace bench
