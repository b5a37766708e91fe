#pragma once

#include "component/service_registry.h"
#include "host/componentversion.h"

// The version record: file name from the module state, three fixed texts.
class componentversion_impl_simple : public componentversion {
public:
    componentversion_impl_simple(const char* name, const char* version, const char* about) noexcept
        : name_(name), version_(version), about_(about) {}

    void get_file_name(string_sink& out) override;
    void get_component_name(string_sink& out) override;
    void get_component_version(string_sink& out) override;
    void get_about_message(string_sink& out) override;

private:
    const char* name_;
    const char* version_;
    const char* about_;
};

// The version record's factory, which is also the record itself.
class componentversion_impl_simple_factory
    : public service_factory_single_transparent_t<componentversion_impl_simple> {
public:
    componentversion_impl_simple_factory(const char* name, const char* version,
                                         const char* about) noexcept
        : service_factory_single_transparent_t(name, version, about) {}
};
