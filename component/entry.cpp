#include "component/component_client_impl.h"
#include "component/module_state.h"
#include "host/service_access.h"

component_client* velmora_get_interface(host_api* api, module_instance_handle instance) {
    set_current_host_api(api);
    module_instance = instance;
    return &the_component_client();
}
