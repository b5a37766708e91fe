#pragma once

#include <filesystem>
#include <ostream>

namespace velmora_host {

// Runs the embedded demo session in a fresh temporary profile, removed afterwards;
// returns the session's exit status.
int run_demo(const std::filesystem::path& component, std::ostream& out);

} // namespace velmora_host
