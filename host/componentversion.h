#pragma once

#include <cstdint>

#include "host/service.h"

// The host's output string object.
class string_sink {
public:
    // Replaces the content with `text`, at most `max_length` bytes (all ones: up to the
    // terminator).
    virtual void set_string(const char* text, uint32_t max_length) = 0;
};

// The record that names the component to the host.
class componentversion : public service_base {
public:
    // Writes the module's file name (empty before the host passed one).
    virtual void get_file_name(string_sink& out) = 0;
    // Writes the component's name.
    virtual void get_component_name(string_sink& out) = 0;
    // Writes the component's version.
    virtual void get_component_version(string_sink& out) = 0;
    // Writes the about text.
    virtual void get_about_message(string_sink& out) = 0;

    static constexpr GUID class_guid = {
        0x10BB3EBD, 0xDDF7, 0x4975, {0xA3, 0xCC, 0x23, 0x08, 0x48, 0x29, 0x45, 0x3E}};
};
