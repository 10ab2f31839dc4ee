#pragma once

#include <iosfwd>
#include <string>
#include <vector>

namespace vonnik {

// vonnik-cli with its arguments (without the program name). Returns the exit status:
// 0 done, 2 usage or invalid input, 1 a file that cannot be read or written.
int RunCli(const std::vector<std::string>& args, std::ostream& out, std::ostream& err);

}  // namespace vonnik
