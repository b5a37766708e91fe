#pragma once

// The readable record of a session: comments and commands as the script gives them, and
// under each command what the host and the component did.

#include <ostream>
#include <string>

namespace velmora_host {

class transcript {
public:
    explicit transcript(std::ostream& out) : out_(&out) {}

    void comment(const std::string& text) { *out_ << text << '\n'; }
    void command(const std::string& text) { *out_ << "> " << text << '\n'; }
    void note(const std::string& text) { *out_ << "  " << text << '\n'; }
    void flush() { out_->flush(); }

private:
    std::ostream* out_;
};

} // namespace velmora_host
