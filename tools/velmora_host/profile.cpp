#include "profile.h"

#include <fstream>
#include <iterator>
#include <sstream>
#include <string>

#include "host_errors.h"
#include "numbers.h"

namespace velmora_host {

namespace {

const char state_header[] = "# velmora-host state";

std::string state_text(const player_state& state) {
    std::string text = std::string(state_header) + "\n";
    text += "order " + std::to_string(state.order) + "\n";
    text += "active " + index_text(state.active) + "\n";
    text += "next " + std::to_string(state.next_number) + "\n";
    for (const std::string& name : state.playlists)
        text += "playlist " + name + "\n";
    return text;
}

player_state parse_state(const std::string& text, const std::string& source) {
    player_state state;
    std::istringstream lines(text);
    std::string line;
    unsigned number = 0;
    bool header_seen = false;
    while (std::getline(lines, line)) {
        ++number;
        if (!line.empty() && line.back() == '\r')
            line.pop_back();
        if (!header_seen) {
            if (line != state_header)
                throw bad_input(source, number, "not a velmora-host state file");
            header_seen = true;
            continue;
        }
        const size_t blank = line.find(' ');
        const std::string key = line.substr(0, blank);
        const std::string value = blank == std::string::npos ? "" : line.substr(blank + 1);
        std::string problem;
        if (key == "playlist")
            state.playlists.push_back(value);
        else if (key == "order")
            problem = parse_number(value, state.order);
        else if (key == "active")
            problem = parse_index(value, state.active);
        else if (key == "next")
            problem = parse_number(value, state.next_number);
        else
            problem = "unknown entry '" + key + "'";
        if (problem.empty() && key == "order" && state.order > highest_order)
            problem = "order " + value + " is above " + std::to_string(highest_order);
        if (!problem.empty())
            throw bad_input(source, number, problem);
    }
    if (!header_seen)
        throw bad_input(source, 1, "not a velmora-host state file");
    if (state.active != no_playlist && state.active >= state.playlists.size())
        throw bad_input(source, number,
                        "the active playlist " + index_text(state.active) + " does not exist");
    return state;
}

} // namespace

std::optional<std::vector<uint8_t>> read_file(const std::filesystem::path& file) {
    std::error_code error;
    if (!std::filesystem::exists(file, error))
        return std::nullopt;
    std::ifstream in(file, std::ios::binary);
    std::vector<uint8_t> bytes((std::istreambuf_iterator<char>(in)),
                               std::istreambuf_iterator<char>());
    if (in.bad() || !in.is_open())
        throw host_failure("cannot read " + file.string());
    return bytes;
}

void replace_file(const std::filesystem::path& file, const std::vector<uint8_t>& bytes) {
    std::error_code error;
    std::filesystem::create_directories(file.parent_path(), error);
    std::filesystem::path temporary = file;
    temporary += ".tmp";
    {
        std::ofstream out(temporary, std::ios::binary | std::ios::trunc);
        out.write(reinterpret_cast<const char*>(bytes.data()),
                  static_cast<std::streamsize>(bytes.size()));
        out.flush();
        if (!out)
            throw host_failure("cannot write " + temporary.string());
    }
    std::filesystem::rename(temporary, file, error);
    if (error)
        throw host_failure("cannot replace " + file.string() + ": " + error.message());
}

player_state profile::load_state() const {
    const auto bytes = read_file(state_file());
    if (!bytes)
        return fresh_player_state();
    return parse_state(std::string(bytes->begin(), bytes->end()), state_file().string());
}

void profile::save_state(const player_state& state) const {
    const std::string text = state_text(state);
    replace_file(state_file(), std::vector<uint8_t>(text.begin(), text.end()));
}

std::optional<std::vector<uint8_t>> profile::load_config() const {
    return read_file(config_file());
}

void profile::save_config(const std::vector<uint8_t>& bytes) const {
    replace_file(config_file(), bytes);
}

} // namespace velmora_host
