#include "demo.h"

#include <chrono>
#include <iostream>
#include <random>
#include <sstream>
#include <string>

#include "host_errors.h"
#include "session.h"

namespace velmora_host {

namespace {

const char demo_script[] = R"(# Two playlists, each keeping its own playback order.
start
new
# Playlist 1 gets order 3; playlist 0 keeps order 0.
activate 1
order 3
# Switching while nothing plays puts each playlist's order back in force.
activate 0
expect order 0
activate 1
expect order 3
# Playback from playlist 1 while playlist 0 is active: playlist 1's order plays.
activate 0
play 1
expect order 3
next
# A change while playing is remembered for the playing playlist.
order 5
# When playback stops, the active playlist's order returns.
stop
expect order 0
show
expect remembered 0 5
# Both orders survive a restart of the player.
restart
expect remembered 0 5
activate 1
expect order 5
activate 0
expect order 0
show
)";

std::filesystem::path fresh_directory() {
    std::mt19937_64 random(static_cast<uint64_t>(
        std::chrono::steady_clock::now().time_since_epoch().count() ^ std::random_device{}()));
    const std::filesystem::path base = std::filesystem::temp_directory_path();
    for (int attempt = 0; attempt < 100; ++attempt) {
        std::ostringstream name;
        name << "velmora-demo-" << std::hex << random();
        const std::filesystem::path candidate = base / name.str();
        if (std::filesystem::create_directory(candidate))
            return candidate;
    }
    throw host_failure("cannot make a temporary profile under " + base.string());
}

} // namespace

int run_demo(const std::filesystem::path& component, std::ostream& out) {
    std::filesystem::path directory;
    try {
        directory = fresh_directory();
    } catch (const std::exception& e) {
        std::cerr << e.what() << '\n';
        return exit_host_failure;
    }
    out << "# velmora-host demo: component " << component.string() << ", fresh profile "
        << directory.string() << "\n";
    int status = exit_ok;
    try {
        transcript record(out);
        std::istringstream text(demo_script);
        session demo({component, directory}, record);
        status = demo.run(parse_script(text, "demo"));
    } catch (const std::exception& e) {
        std::cerr << e.what() << '\n';
        status = exit_host_failure;
    }
    std::error_code ignored;
    std::filesystem::remove_all(directory, ignored);
    return status;
}

} // namespace velmora_host
