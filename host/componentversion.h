#pragma once

// The record that names the component to the host, and the host's string object it writes
// into.
//
// Who calls: the host calls the record; the record calls the string object it is given,
// once per call. One call at a time.
// Lifetimes: the string object lives for the call. The text the record passes lives until
// the component changes it (the file name: until the next set_module_path), so the host
// copies it during set_string.
// Throwing: the record throws nothing of its own; what set_string throws passes on.

#include <cstdint>

#include "host/service.h"

// set_string's `max_length` that takes the whole text, up to its terminator.
constexpr uint32_t string_sink_whole_text = 0xFFFFFFFF;

class string_sink {
public:
    // Replaces the content with `text`, at most `max_length` bytes (string_sink_whole_text:
    // up to the terminator).
    virtual void set_string(const char* text, uint32_t max_length) = 0;
};

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
