// `show` and `expect`: what the player and the component's remembered list look like.

#include <string>

#include "config_stream.h"
#include "host_errors.h"
#include "host_streams.h"
#include "numbers.h"
#include "session.h"

namespace velmora_host {

std::string session::remembered_text() {
    if (!component_)
        return "unknown: the component is not started";
    memory_writer writer;
    abort_token abort;
    if (!call("write_config", [&] { component_->client->write_config(writer, abort); }))
        return "unknown: write_config failed";
    const remembered_orders found = find_remembered_orders(writer.bytes);
    if (!found.found)
        return "unknown: " + found.problem;
    return list_text(found.values);
}

void session::show() {
    const player_state& s = player_.state;
    for (size_t i = 0; i < s.playlists.size(); ++i) {
        std::string marks;
        if (i == s.active)
            marks += " (active)";
        if (i == s.playing_playlist)
            marks += " (playing)";
        out_.note("playlist " + std::to_string(i) + ": " + s.playlists[i] + marks);
    }
    if (s.playlists.empty())
        out_.note("no playlists");
    out_.note("order in force: " + std::to_string(s.order));
    if (!s.playing)
        out_.note("nothing playing");
    else if (s.playing_playlist == no_playlist)
        out_.note("playing, from no playlist");
    else
        out_.note("playing from playlist " + std::to_string(s.playing_playlist));
    out_.note("remembered: " + remembered_text());
}

void session::check(const command& cmd) {
    const player_state& s = player_.state;
    std::string expected, actual;
    switch (cmd.what) {
    case verb::expect_order:
        expected = std::to_string(cmd.numbers[0]);
        actual = std::to_string(s.order);
        break;
    case verb::expect_active:
        expected = index_text(cmd.numbers[0]);
        actual = index_text(s.active);
        break;
    case verb::expect_playlists:
        expected = std::to_string(cmd.numbers[0]);
        actual = std::to_string(s.playlists.size());
        break;
    default:
        expected = list_text(cmd.numbers);
        actual = remembered_text();
        break;
    }
    if (expected != actual)
        throw expectation_failed(source_ + ":" + std::to_string(cmd.line) + ": " + cmd.text +
                                 " failed: expected " + expected + ", actual " + actual);
}

} // namespace velmora_host
