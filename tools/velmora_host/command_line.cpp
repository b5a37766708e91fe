#include "command_line.h"

#include <fstream>
#include <iostream>
#include <string>
#include <vector>

#include "component_library.h"
#include "demo.h"
#include "host_errors.h"
#include "inspect.h"
#include "session.h"

namespace velmora_host {

namespace {

const char usage[] = "usage: velmora-host [--component PATH] [--profile DIR] [SCRIPT | -]\n"
                     "       velmora-host [--component PATH] --demo\n"
                     "       velmora-host inspect FILE [--json]\n"
                     "       velmora-host batch PLAN\n";

int run_inspect(const std::vector<std::string>& args) {
    // args[0] is "inspect".
    const bool json = args.size() == 3 && args[2] == "--json";
    if (args.size() != 2 && !json) {
        std::cerr << usage;
        return exit_bad_input;
    }
    return inspect_config_file(args[1], json, std::cout, std::cerr);
}

int run_session(const session_options& options, const std::string& script_name) {
    try {
        script commands;
        if (script_name.empty() || script_name == "-") {
            commands = parse_script(std::cin, "<stdin>");
        } else {
            std::ifstream in(script_name, std::ios::binary);
            if (!in)
                throw host_failure("cannot read " + script_name);
            commands = parse_script(in, script_name);
        }
        transcript out(std::cout);
        session player_session(options, out);
        return player_session.run(commands);
    } catch (const bad_input& e) {
        std::cerr << e.what() << '\n';
        return exit_bad_input;
    } catch (const host_failure& e) {
        std::cerr << e.what() << '\n';
        return exit_host_failure;
    } catch (const std::exception& e) {
        // Out of memory, or a file system error the host did not foresee.
        std::cerr << "velmora-host: " << e.what() << '\n';
        return exit_host_failure;
    }
}

} // namespace

int run_command_line(const std::vector<std::string>& args, const char* argv0) {
    if (!args.empty() && args[0] == "inspect")
        return run_inspect(args);
    if (!args.empty() && args[0] == "batch") {
        std::cerr << (args.size() == 2 ? "velmora-host: a batch runs on its own\n" : usage);
        return exit_bad_input;
    }

    session_options options{default_component_path(argv0), "velmora-profile"};
    bool demo = false;
    std::string script_name;
    for (size_t i = 0; i < args.size(); ++i) {
        const std::string& arg = args[i];
        const bool has_value = i + 1 < args.size();
        if (arg == "--component" && has_value) {
            options.component = args[++i];
        } else if (arg == "--profile" && has_value) {
            options.profile_directory = args[++i];
        } else if (arg == "--demo") {
            demo = true;
        } else if (arg == "--help" || arg == "-h") {
            std::cout << usage;
            return exit_ok;
        } else if (script_name.empty() && (arg == "-" || arg.rfind("--", 0) != 0)) {
            script_name = arg;
        } else {
            std::cerr << "velmora-host: unexpected '" << arg << "'\n" << usage;
            return exit_bad_input;
        }
    }
    if (demo) {
        if (!script_name.empty()) {
            std::cerr << "velmora-host: --demo runs its own script\n" << usage;
            return exit_bad_input;
        }
        return run_demo(options.component, std::cout);
    }
    return run_session(options, script_name);
}

} // namespace velmora_host
