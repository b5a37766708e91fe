#pragma once

// The session script: one command a line, words separated by blanks, `#` starts a comment.
// The whole script is read and checked before any of it runs, so a mistake in its words
// stops it before it touches the profile.

#include <cstdint>
#include <istream>
#include <string>
#include <vector>

namespace velmora_host {

enum class verb {
    start,
    quit,
    restart,
    crash,
    new_playlist,
    remove,
    reorder,
    activate,
    order,
    play,
    next,
    stop,
    show,
    expect_order,
    expect_active,
    expect_playlists,
    expect_remembered,
};

struct command {
    unsigned line = 0;
    verb what = verb::show;
    std::vector<uint32_t> numbers; // the arguments, checked for form and for order range
    std::string text;              // the words as written, one blank apart
};

// A line worth showing: a command, or a comment that fills its whole line.
struct script_entry {
    bool is_comment = false;
    std::string comment;
    command cmd;
};

struct script {
    std::string source; // file name, or "<stdin>"
    std::vector<script_entry> entries;
};

// Reads every line of `in`; throws bad_input naming `source` and the line on the first
// unknown command, missing or malformed number, surplus word, or order above 6.
script parse_script(std::istream& in, const std::string& source);

} // namespace velmora_host
