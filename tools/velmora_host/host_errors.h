#pragma once

// How a session ends, and the errors that end it early. These never pass through the
// component's frames: they are raised by the host's own code between component calls.

#include <stdexcept>
#include <string>

namespace velmora_host {

enum exit_status : int {
    exit_ok = 0,
    exit_expectation_failed = 1, // an `expect` was false, or `inspect` met a damaged record
    exit_bad_input = 2,          // the script, the command line or host.state is unusable
    exit_discipline = 3,         // the component kept or over-released a host reference
    exit_host_failure = 4,       // the component could not be loaded, or a file not written
};

// A script line, a command-line word or a host.state line the host cannot act on.
class bad_input : public std::runtime_error {
public:
    bad_input(const std::string& source, unsigned line, const std::string& message)
        : std::runtime_error(source + ":" + std::to_string(line) + ": " + message) {}
    explicit bad_input(const std::string& message) : std::runtime_error(message) {}
};

// An `expect` that does not hold; the message names the line, expected and actual.
class expectation_failed : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// The component kept a reference it was lent, or released one it did not hold.
class discipline_violation : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// The host itself could not go on: loading the component or writing the profile failed.
class host_failure : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

} // namespace velmora_host
