#include "inspect.h"

#include <string>

#include "config_stream.h"
#include "host_errors.h"
#include "profile.h"

namespace velmora_host {

namespace {

std::string json_string(const std::string& text) {
    std::string quoted = "\"";
    for (const char c : text) {
        if (c == '"' || c == '\\')
            quoted += '\\';
        quoted += c;
    }
    return quoted + "\"";
}

std::string text_line(const config_record& r) {
    std::string line = "record at " + std::to_string(r.offset) + ":";
    if (r.has_guid)
        line += " " + guid_text(r.guid);
    if (r.has_size)
        line += " size " + std::to_string(r.size);
    if (!r.damage.empty())
        return line + " damaged: " + r.damage;
    if (r.is_order_store)
        line += " order list " + list_text(r.orders);
    return line;
}

std::string json_object(const config_record& r) {
    std::string object = "{\"offset\": " + std::to_string(r.offset);
    if (r.has_guid)
        object += ", \"guid\": " + json_string(guid_text(r.guid));
    if (r.has_size)
        object += ", \"size\": " + std::to_string(r.size);
    if (!r.damage.empty())
        object += ", \"damaged\": " + json_string(r.damage);
    else if (r.is_order_store)
        object += ", \"orders\": " + list_text(r.orders);
    return object + "}";
}

} // namespace

int inspect_config_file(const std::filesystem::path& file, bool json, std::ostream& out,
                        std::ostream& err) {
    std::optional<std::vector<uint8_t>> bytes;
    try {
        bytes = read_file(file);
    } catch (const host_failure& e) {
        err << e.what() << '\n';
        return exit_host_failure;
    }
    if (!bytes) {
        err << "cannot read " << file.string() << ": no such file\n";
        return exit_host_failure;
    }
    const std::vector<config_record> records = decode_config_stream(*bytes);
    bool damaged = false;
    if (json)
        out << "[";
    for (size_t i = 0; i < records.size(); ++i) {
        damaged = damaged || !records[i].damage.empty();
        if (json)
            out << (i == 0 ? "\n  " : ",\n  ") << json_object(records[i]);
        else
            out << text_line(records[i]) << '\n';
    }
    if (json)
        out << (records.empty() ? "]\n" : "\n]\n");
    else if (records.empty())
        out << "no records\n";
    return damaged ? exit_expectation_failed : exit_ok;
}

} // namespace velmora_host
