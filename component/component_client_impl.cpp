#include "component/component_client_impl.h"

#include "component/module_state.h"
#include "component/service_registry.h"
#include "config/cfg_var.h"

namespace {

class component_client_impl final : public component_client {
public:
    uint32_t get_client_version() override { return component_client_revision; }
    service_factory_base* get_factory_list() override { return service_list_head; }
    void write_config(stream_writer& writer, abort_token& abort) override {
        cfg_var_list_write(writer, abort);
    }
    void read_config(stream_reader& reader, abort_token& abort) override {
        cfg_var_list_read(reader, abort);
    }
    void set_module_path(const char* path, const char* file_name) override {
        // A host that passes no string gets the empty text rather than a crash.
        library_path.assign_text(path != nullptr ? path : "");
        library_file_name.assign_text(file_name != nullptr ? file_name : "");
    }
    void set_services_ready(bool ready) override {
        services_initialized = ready;
        if (ready)
            services_ever_initialized = true;
    }
    bool is_debug_build() override { return false; }
};

component_client_impl client;

} // namespace

component_client& the_component_client() noexcept {
    return client;
}
