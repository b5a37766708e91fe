// velmora-host: a stand-in for the Velmora player that loads the component and plays the
// player's part from a session script.

#include <string>
#include <vector>

#include "batch.h"
#include "command_line.h"

int main(int argc, char** argv) {
    const std::vector<std::string> args(argv + 1, argv + argc);
    const char* argv0 = argc > 0 ? argv[0] : nullptr;
    if (args.size() == 2 && args[0] == "batch")
        return velmora_host::run_batch(args[1], argv0);
    return velmora_host::run_command_line(args, argv0);
}
