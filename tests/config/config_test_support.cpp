#include "config_test_support.h"

namespace config_test {

fake::component_services& component() {
    static fake::fake_host host;
    static fake::component_services services = fake::connect(&host);
    return services;
}

} // namespace config_test
