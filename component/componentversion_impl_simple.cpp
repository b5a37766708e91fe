#include "component/componentversion_impl_simple.h"

#include <cstdint>

#include "component/module_state.h"

namespace {
// The whole text, up to its terminator.
void put(string_sink& out, const char* text) {
    out.set_string(text == nullptr ? "" : text, string_sink_whole_text);
}
} // namespace

void componentversion_impl_simple::get_file_name(string_sink& out) {
    put(out, module_text_value(library_file_name));
}
void componentversion_impl_simple::get_component_name(string_sink& out) {
    put(out, name_);
}
void componentversion_impl_simple::get_component_version(string_sink& out) {
    put(out, version_);
}
void componentversion_impl_simple::get_about_message(string_sink& out) {
    put(out, about_);
}
