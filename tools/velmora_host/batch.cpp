#include "batch.h"

#include <cctype>
#include <fstream>
#include <iostream>
#include <sstream>
#include <string>
#include <vector>

#include "command_line.h"
#include "component_library.h"
#include "host_errors.h"

namespace velmora_host {

namespace {

std::vector<std::string> split_fields(const std::string& line) {
    std::vector<std::string> fields;
    std::string::size_type start = 0;
    for (;;) {
        const std::string::size_type tab = line.find('\t', start);
        fields.push_back(line.substr(start, tab - start));
        if (tab == std::string::npos)
            return fields;
        start = tab + 1;
    }
}

void write_hex_file(const std::filesystem::path& file, const std::string& hex) {
    std::string bytes;
    int pending = -1;
    for (const char c : hex) {
        if (std::isspace(static_cast<unsigned char>(c)))
            continue;
        if (!std::isxdigit(static_cast<unsigned char>(c)))
            throw bad_input(std::string("'") + c + "' is not a hex digit");
        const int digit = std::stoi(std::string(1, c), nullptr, 16);
        if (pending < 0) {
            pending = digit;
        } else {
            bytes.push_back(static_cast<char>(pending * 16 + digit));
            pending = -1;
        }
    }
    if (pending >= 0)
        throw bad_input("odd number of hex digits");
    std::ofstream out(file, std::ios::binary | std::ios::trunc);
    out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    out.close();
    if (!out)
        throw host_failure("cannot write " + file.string());
}

void copy_directory(const std::filesystem::path& from, const std::filesystem::path& to) {
    std::filesystem::remove_all(to);
    std::filesystem::copy(from, to, std::filesystem::copy_options::recursive);
}

// The standard streams of the process bound to a run's files, and given back whole (buffer,
// format and state) when the run is over, so that one run's leftovers never reach the next.
class redirected_streams {
public:
    redirected_streams(std::streambuf* in, std::streambuf* out, std::streambuf* err)
        : in_(std::cin.rdbuf(in)), out_(std::cout.rdbuf(out)), err_(std::cerr.rdbuf(err)) {
        clear_states();
        saved_cout_.copyfmt(std::cout);
        saved_cerr_.copyfmt(std::cerr);
    }
    ~redirected_streams() {
        std::cout.flush();
        std::cerr.flush();
        std::cout.copyfmt(saved_cout_);
        std::cerr.copyfmt(saved_cerr_);
        std::cin.rdbuf(in_);
        std::cout.rdbuf(out_);
        std::cerr.rdbuf(err_);
        clear_states();
    }
    redirected_streams(const redirected_streams&) = delete;
    redirected_streams& operator=(const redirected_streams&) = delete;

private:
    static void clear_states() {
        std::cin.clear();
        std::cout.clear();
        std::cerr.clear();
    }

    std::streambuf* in_;
    std::streambuf* out_;
    std::streambuf* err_;
    std::ios saved_cout_{nullptr};
    std::ios saved_cerr_{nullptr};
};

// The working directory of the process, changed for one run and restored after it.
class working_directory {
public:
    explicit working_directory(const std::filesystem::path& directory)
        : previous_(std::filesystem::current_path()) {
        std::filesystem::current_path(directory);
    }
    ~working_directory() {
        std::error_code ignored;
        std::filesystem::current_path(previous_, ignored);
    }
    working_directory(const working_directory&) = delete;
    working_directory& operator=(const working_directory&) = delete;

private:
    std::filesystem::path previous_;
};

void run_step(const std::vector<std::string>& fields, const char* argv0) {
    const std::filesystem::path result = fields[2];
    std::ofstream out(result.string() + ".stdout", std::ios::binary | std::ios::trunc);
    std::ofstream err(result.string() + ".stderr", std::ios::binary | std::ios::trunc);
    std::ifstream file_in;
    std::istringstream no_input;
    std::streambuf* in = no_input.rdbuf();
    if (!fields[3].empty()) {
        file_in.open(fields[3], std::ios::binary);
        if (!file_in)
            throw host_failure("cannot read " + fields[3]);
        in = file_in.rdbuf();
    }
    if (!out || !err)
        throw host_failure("cannot write the results " + result.string() + ".*");

    int status = exit_ok;
    {
        const working_directory in_directory(fields[1]);
        const redirected_streams redirected(in, out.rdbuf(), err.rdbuf());
        status = run_command_line({fields.begin() + 4, fields.end()}, argv0);
        for (const std::filesystem::path& library : component_libraries_left_loaded()) {
            std::cerr << "velmora-host: " << library.string() << " is still loaded after the run\n";
            status = exit_host_failure;
        }
    }
    out.close();
    err.close();
    std::ofstream status_file(result.string() + ".status", std::ios::trunc);
    status_file << status << '\n';
    status_file.close();
    if (!out || !err || !status_file)
        throw host_failure("cannot write the results " + result.string() + ".*");
}

void run_plan_line(const std::vector<std::string>& fields, const char* argv0) {
    const std::string& kind = fields[0];
    if (kind == "bytes" && fields.size() == 3) {
        write_hex_file(fields[1], fields[2]);
    } else if (kind == "copy" && fields.size() == 3) {
        copy_directory(fields[1], fields[2]);
    } else if (kind == "run" && fields.size() >= 4) {
        run_step(fields, argv0);
    } else {
        throw bad_input("unknown step '" + kind + "' or wrong number of fields");
    }
}

} // namespace

int run_batch(const std::filesystem::path& plan, const char* argv0) {
    std::ifstream in(plan, std::ios::binary);
    if (!in) {
        std::cerr << "velmora-host: cannot read " << plan.string() << '\n';
        return exit_host_failure;
    }
    int status = exit_ok;
    std::string line;
    for (unsigned number = 1; std::getline(in, line); ++number) {
        if (!line.empty() && line.back() == '\r')
            line.pop_back();
        if (line.empty())
            continue;
        try {
            run_plan_line(split_fields(line), argv0);
        } catch (const bad_input& e) {
            std::cerr << plan.string() << ':' << number << ": " << e.what() << '\n';
            if (status == exit_ok)
                status = exit_bad_input;
        } catch (const std::exception& e) {
            std::cerr << plan.string() << ':' << number << ": " << e.what() << '\n';
            status = exit_host_failure;
        }
    }
    return status;
}

} // namespace velmora_host
