#include "component_access.h"

#include <stdexcept>

#include "lean_host.h"

namespace bench {

namespace {
support::component_services connect() {
    support::component_services found = support::connect(&host_interface());
    if (found.startup == nullptr || found.playback_events == nullptr ||
        found.playlist_events == nullptr)
        throw std::runtime_error("the component does not publish its services");
    return found;
}
} // namespace

const support::component_services& component() {
    static const support::component_services services = connect();
    return services;
}

} // namespace bench
