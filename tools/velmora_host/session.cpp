#include "session.h"

#include <iostream>

#include "host_errors.h"
#include "numbers.h"

namespace velmora_host {

namespace {

// Deeper than this, the component and the host would be setting the order back and forth.
constexpr int deepest_call = 8;

std::string describe_difference(const char* object, int before, int after) {
    if (before == after)
        return "";
    const int difference = after - before;
    if (difference > 0)
        return std::string("kept ") + std::to_string(difference) + " reference" +
               (difference == 1 ? "" : "s") + " to " + object;
    return std::string("released ") + std::to_string(-difference) + " reference" +
           (difference == -1 ? "" : "s") + " to " + object + " it did not hold";
}

bool is_event(verb what) {
    switch (what) {
    case verb::new_playlist:
    case verb::remove:
    case verb::reorder:
    case verb::activate:
    case verb::order:
    case verb::play:
    case verb::next:
    case verb::stop:
        return true;
    default:
        return false;
    }
}

} // namespace

session::session(session_options options, transcript& out)
    : options_(std::move(options)), profile_{options_.profile_directory}, out_(out),
      player_([this](uint32_t order) { on_component_sets_order(order); }) {
    player_.state = profile_.load_state();
}

int session::run(const script& commands) {
    source_ = commands.source;
    int status = exit_ok;
    std::string failure;
    try {
        for (const script_entry& entry : commands.entries) {
            if (entry.is_comment) {
                out_.comment(entry.comment);
                continue;
            }
            out_.command(entry.cmd.text);
            line_ = entry.cmd.line;
            execute(entry.cmd);
        }
        if (component_) {
            line_ = 0;
            out_.command("quit (end of script)");
            quit();
        }
    } catch (const expectation_failed& e) {
        status = exit_expectation_failed;
        failure = e.what();
    } catch (const bad_input& e) {
        status = exit_bad_input;
        failure = e.what();
    } catch (const discipline_violation& e) {
        status = exit_discipline;
        failure = e.what();
    } catch (const host_failure& e) {
        status = exit_host_failure;
        failure = e.what();
    }
    if (status != exit_ok) {
        // The session ends as if the player had crashed: nothing more is saved.
        component_.reset();
        out_.flush();
        std::cerr << failure << '\n';
    }
    out_.flush();
    return status;
}

void session::execute(const command& cmd) {
    if (!component_ && is_event(cmd.what))
        out_.note("component not started: the host alone changes");
    switch (cmd.what) {
    case verb::start:
        if (component_)
            fail_input(cmd, "the component is already started");
        start();
        break;
    case verb::quit:
    case verb::restart:
    case verb::crash:
        if (!component_)
            fail_input(cmd, "the component is not started");
        if (cmd.what == verb::crash) {
            crash();
            break;
        }
        quit();
        if (cmd.what == verb::restart)
            start();
        break;
    case verb::new_playlist:
        new_playlist(cmd);
        break;
    case verb::remove:
        remove_playlists(cmd);
        break;
    case verb::reorder:
        reorder_playlists(cmd);
        break;
    case verb::activate:
        activate(cmd);
        break;
    case verb::order:
        choose_order(cmd);
        break;
    case verb::play:
        play(cmd);
        break;
    case verb::next:
        next_track(cmd);
        break;
    case verb::stop:
        stop(cmd);
        break;
    case verb::show:
        show();
        break;
    default:
        check(cmd);
        break;
    }
}

bool session::call(const std::string& what, const std::function<void()>& body) {
    const reference_counts before = player_.references();
    bool succeeded = true;
    ++call_depth_;
    try {
        body();
    } catch (const std::exception& e) {
        out_.note(std::string("error: ") + e.what());
        succeeded = false;
    } catch (...) {
        out_.note("error: an exception that is not a std::exception");
        succeeded = false;
    }
    --call_depth_;
    const reference_counts after = player_.references();
    if (after != before)
        record_violation(what, before, after);
    // Raised only between component calls, never through the component's frames.
    if (call_depth_ == 0 && !violation_.empty())
        throw discipline_violation(violation_);
    return succeeded;
}

void session::record_violation(const std::string& what, const reference_counts& before,
                               const reference_counts& after) {
    if (!violation_.empty())
        return; // the first one tells the story
    std::string problems;
    for (const std::string& problem :
         {describe_difference("the playlist service", before.playlist_service,
                              after.playlist_service),
          describe_difference("the playback service", before.playback_service,
                              after.playback_service),
          describe_difference("a track handle", before.tracks, after.tracks)}) {
        if (!problem.empty())
            problems += (problems.empty() ? "" : ", ") + problem;
    }
    violation_ = where() + "reference discipline: " + what + " " + problems;
}

void session::fail_input(const command& cmd, const std::string& message) const {
    throw bad_input(source_, cmd.line, message);
}

std::string session::where() const {
    return line_ == 0 ? source_ + ": end of script: "
                      : source_ + ":" + std::to_string(line_) + ": ";
}

uint32_t session::playlist_count() const {
    return static_cast<uint32_t>(player_.state.playlists.size());
}

uint32_t session::playlist_index(const command& cmd, uint32_t value) const {
    if (value >= playlist_count())
        fail_input(cmd, "playlist " + std::to_string(value) + " is out of range (" +
                            std::to_string(playlist_count()) + " playlists)");
    return value;
}

void session::on_component_sets_order(uint32_t order) {
    if (order > highest_order) {
        out_.note("ignored set order " + std::to_string(order) + ": not a playback order");
        return;
    }
    player_.state.order = order;
    out_.note("set order " + std::to_string(order));
    if (call_depth_ >= deepest_call) {
        if (violation_.empty())
            violation_ = where() + "the component keeps setting the order from its own " +
                         "order-change handler";
        return;
    }
    // As a player does: the playlist callbacks hear of the change at once.
    fire_order_changed(order);
}

} // namespace velmora_host
