#include "numbers.h"

#include "player.h"

namespace velmora_host {

std::string parse_number(const std::string& word, uint32_t& value) {
    if (word.empty())
        return "a number is missing";
    uint64_t result = 0;
    for (const char c : word) {
        if (c < '0' || c > '9')
            return "'" + word + "' is not a number";
        result = result * 10 + uint64_t(c - '0');
        if (result > 0xFFFFFFFFu)
            return "'" + word + "' is too large";
    }
    value = static_cast<uint32_t>(result);
    return "";
}

std::string parse_index(const std::string& word, uint32_t& value) {
    if (word == "none") {
        value = no_playlist;
        return "";
    }
    return parse_number(word, value);
}

std::string index_text(uint32_t index) {
    return index == no_playlist ? "none" : std::to_string(index);
}

} // namespace velmora_host
