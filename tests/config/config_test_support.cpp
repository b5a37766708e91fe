#include "config_test_support.h"

namespace config_test {

support::component_services& component() {
    static fake::fake_host host;
    static support::component_services services = support::connect(&host);
    return services;
}

} // namespace config_test
