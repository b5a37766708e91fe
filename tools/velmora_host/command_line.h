#pragma once

// velmora-host's command line, apart from main so that a batch can run it many times in
// one process.

#include <string>
#include <vector>

namespace velmora_host {

// Runs one velmora-host command line (the words after the program name) on the standard
// streams; returns its exit status. `argv0` is the program name main was given.
int run_command_line(const std::vector<std::string>& args, const char* argv0);

} // namespace velmora_host
