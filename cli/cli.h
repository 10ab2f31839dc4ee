#pragma once

#include <iosfwd>
#include <string>
#include <vector>

#include "builder/build_error.h"

namespace vonnik {

// vonnik-cli with its arguments (without the program name). Returns the exit status:
// 0 done, 2 usage or invalid input, 1 a file that cannot be read or written.
int RunCli(const std::vector<std::string>& args, std::ostream& out, std::ostream& err);

// A build that cannot run, as vonnik-cli reports it: what caused it (the picture file, or
// the --polygon-size option), then the reason.
std::string DescribeBuildError(const BuildError& error, const std::string& picture);

}  // namespace vonnik
