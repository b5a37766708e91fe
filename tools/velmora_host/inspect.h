#pragma once

#include <filesystem>
#include <ostream>

namespace velmora_host {

// Prints every record of the configuration stream in `file`, one line each or, with
// `json`, one JSON object each inside an array; returns exit_expectation_failed when a
// record is damaged and exit_host_failure when the file cannot be read.
int inspect_config_file(const std::filesystem::path& file, bool json, std::ostream& out,
                        std::ostream& err);

} // namespace velmora_host
