#pragma once

#include <sstream>
#include <string>
#include <vector>

#include "cli/cli.h"

namespace vonnik::test {

// vonnik-cli run in this process: its exit status and what it wrote on each stream.
struct CliRun {
    int status;
    std::string out, err;
};

inline CliRun Cli(const std::vector<std::string>& args) {
    std::ostringstream out, err;
    const int status = RunCli(args, out, err);
    return {status, out.str(), err.str()};
}

}  // namespace vonnik::test
