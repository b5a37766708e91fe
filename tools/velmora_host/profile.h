#pragma once

// The profile directory: host.state (the player's own state) and component.cfg (the bytes
// the component's write_config produced). Both are replaced through a temporary file and a
// rename, so an interrupted write leaves the previous file whole.

#include <cstdint>
#include <filesystem>
#include <optional>
#include <vector>

#include "player.h"

namespace velmora_host {

struct profile {
    std::filesystem::path directory;

    std::filesystem::path state_file() const { return directory / "host.state"; }
    std::filesystem::path config_file() const { return directory / "component.cfg"; }

    // The saved player state, or a fresh one when none was saved; throws bad_input when
    // host.state cannot be understood and host_failure when it cannot be read.
    player_state load_state() const;
    void save_state(const player_state& state) const;

    // The saved configuration bytes, if any.
    std::optional<std::vector<uint8_t>> load_config() const;
    void save_config(const std::vector<uint8_t>& bytes) const;
};

// The whole file, or nothing when it does not exist; throws host_failure on a read error.
std::optional<std::vector<uint8_t>> read_file(const std::filesystem::path& file);

// Writes `bytes` to a temporary file beside `file` and renames it into place; throws
// host_failure when that fails, leaving `file` as it was.
void replace_file(const std::filesystem::path& file, const std::vector<uint8_t>& bytes);

} // namespace velmora_host
