#include "script.h"

#include <sstream>

#include "host_errors.h"
#include "numbers.h"
#include "player.h"

namespace velmora_host {

namespace {

// What follows a command word.
enum class arguments {
    none,
    one,          // exactly one number
    optional_one, // zero or one number
    at_least_one,
    any,
};

// What the numbers stand for, to check what can be checked before the session runs.
enum class meaning { plain, order, index_or_none };

struct grammar {
    const char* words;
    verb what;
    arguments takes;
    meaning kind;
    const char* missing; // what a missing number is called in the message
};

const grammar commands[] = {
    {"start", verb::start, arguments::none, meaning::plain, ""},
    {"quit", verb::quit, arguments::none, meaning::plain, ""},
    {"restart", verb::restart, arguments::none, meaning::plain, ""},
    {"crash", verb::crash, arguments::none, meaning::plain, ""},
    {"new", verb::new_playlist, arguments::optional_one, meaning::plain, ""},
    {"remove", verb::remove, arguments::at_least_one, meaning::plain, "a playlist index"},
    {"reorder", verb::reorder, arguments::any, meaning::plain, ""},
    {"activate", verb::activate, arguments::one, meaning::plain, "a playlist index"},
    {"order", verb::order, arguments::one, meaning::order, "an order index"},
    {"play", verb::play, arguments::one, meaning::plain, "a playlist index"},
    {"next", verb::next, arguments::none, meaning::plain, ""},
    {"stop", verb::stop, arguments::optional_one, meaning::plain, ""},
    {"show", verb::show, arguments::none, meaning::plain, ""},
    {"expect order", verb::expect_order, arguments::one, meaning::order, "an order index"},
    {"expect active", verb::expect_active, arguments::one, meaning::index_or_none,
     "a playlist index"},
    {"expect playlists", verb::expect_playlists, arguments::one, meaning::plain, "a count"},
    {"expect remembered", verb::expect_remembered, arguments::any, meaning::plain, ""},
};

std::vector<std::string> split_words(const std::string& line) {
    std::istringstream in(line);
    std::vector<std::string> words;
    std::string word;
    while (in >> word)
        words.push_back(word);
    return words;
}

// The grammar entry whose words start `words`, or null.
const grammar* find_grammar(const std::vector<std::string>& words, size_t& consumed) {
    for (const grammar& g : commands) {
        const std::vector<std::string> wanted = split_words(g.words);
        if (wanted.size() > words.size())
            continue;
        bool match = true;
        for (size_t i = 0; i < wanted.size(); ++i)
            match = match && wanted[i] == words[i];
        if (match) {
            consumed = wanted.size();
            return &g;
        }
    }
    return nullptr;
}

command parse_command(const std::vector<std::string>& words, unsigned line,
                      const std::string& source) {
    size_t consumed = 0;
    const grammar* g = find_grammar(words, consumed);
    if (g == nullptr) {
        const std::string name =
            words[0] == "expect" && words.size() > 1 ? "expect " + words[1] : words[0];
        throw bad_input(source, line, "unknown command '" + name + "'");
    }
    command cmd;
    cmd.line = line;
    cmd.what = g->what;
    for (const std::string& w : words)
        cmd.text += (cmd.text.empty() ? "" : " ") + w;

    const size_t given = words.size() - consumed;
    const bool too_few =
        (g->takes == arguments::one || g->takes == arguments::at_least_one) && given == 0;
    if (too_few)
        throw bad_input(source, line, "'" + std::string(g->words) + "' needs " + g->missing);
    const size_t most = g->takes == arguments::none                                         ? 0
                        : g->takes == arguments::one || g->takes == arguments::optional_one ? 1
                                                                                            : given;
    if (given > most)
        throw bad_input(source, line,
                        "unexpected '" + words[consumed + most] + "' after '" + g->words + "'");

    for (size_t i = consumed; i < words.size(); ++i) {
        uint32_t value = 0;
        const std::string problem = g->kind == meaning::index_or_none
                                        ? parse_index(words[i], value)
                                        : parse_number(words[i], value);
        if (!problem.empty())
            throw bad_input(source, line, problem);
        if (g->kind == meaning::order && value > highest_order)
            throw bad_input(source, line,
                            "order " + words[i] + " is above " + std::to_string(highest_order));
        cmd.numbers.push_back(value);
    }
    return cmd;
}

} // namespace

script parse_script(std::istream& in, const std::string& source) {
    script parsed;
    parsed.source = source;
    std::string line;
    unsigned number = 0;
    while (std::getline(in, line)) {
        ++number;
        if (!line.empty() && line.back() == '\r')
            line.pop_back();
        const size_t hash = line.find('#');
        const std::vector<std::string> words = split_words(line.substr(0, hash));
        if (words.empty()) {
            if (hash != std::string::npos) {
                script_entry entry;
                entry.is_comment = true;
                entry.comment = line.substr(line.find_first_not_of(" \t"));
                parsed.entries.push_back(entry);
            }
            continue;
        }
        script_entry entry;
        entry.cmd = parse_command(words, number, source);
        parsed.entries.push_back(entry);
    }
    return parsed;
}

} // namespace velmora_host
