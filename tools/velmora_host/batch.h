#pragma once

// velmora-host batch PLAN: runs many command lines in one process, each as if velmora-host
// had been started for it, with its output kept in files. The session tests use it so that
// a test suite costs one process start, not one per session (under Wine, under emulation,
// a process start is the dearest thing there is).
//
// A plan has one step a line, its fields separated by tabs:
//   bytes  FILE  HEX...                  write FILE with the bytes spelled in hex
//   copy   FROM  TO                      replace directory TO with a copy of FROM
//   run    DIR  RESULT  STDIN  WORD...   run the command line WORD... in directory DIR, its
//                                        standard input from file STDIN (empty: none);
//                                        write RESULT.stdout, RESULT.stderr, RESULT.status
// Every component the run loads must be unloaded by its end: one still mapped afterwards
// would carry its state into the next run, so that run's status becomes exit_host_failure.

#include <filesystem>

namespace velmora_host {

// Runs every step of `plan`, also after one that fails; returns exit_ok when each step
// could be carried out (whatever the status a run ended with), else exit_bad_input for a
// malformed plan or exit_host_failure for a step that could not be done.
int run_batch(const std::filesystem::path& plan, const char* argv0);

} // namespace velmora_host
