#pragma once

// Reading and writing the numbers of scripts and host.state.

#include <cstdint>
#include <string>

namespace velmora_host {

// Parses a decimal number of at most 32 bits into `value`; returns the problem, or an
// empty string when `word` is such a number.
std::string parse_number(const std::string& word, uint32_t& value);

// As parse_number, and "none" stands for no playlist.
std::string parse_index(const std::string& word, uint32_t& value);

// The playlist index as a number, or "none".
std::string index_text(uint32_t index);

} // namespace velmora_host
