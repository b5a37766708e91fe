#include "component_services.h"

#include "host/service_ptr.h"

namespace support {

component_services connect(host_api* host) {
    component_services found;
    found.client = velmora_get_interface(host, nullptr);
    for (service_factory_base* f = found.client->get_factory_list(); f != nullptr; f = f->next) {
        found.factory_guids.push_back(f->guid);
        service_ptr instance;
        f->create_instance(instance);
        service_base* object = instance.get();
        if (guid_equal(*f->guid, initquit::class_guid))
            found.startup = static_cast<initquit*>(object);
        else if (guid_equal(*f->guid, play_callback_static::class_guid))
            found.playback_events = static_cast<play_callback_static*>(object);
        else if (guid_equal(*f->guid, playlist_callback_static::class_guid))
            found.playlist_events = static_cast<playlist_callback_static*>(object);
        else if (guid_equal(*f->guid, componentversion::class_guid))
            found.version = static_cast<componentversion*>(object);
    }
    return found;
}

} // namespace support
