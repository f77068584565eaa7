// The tkbsim command line: board folders and virtual boards for people and scripts.
#pragma once

#include <ostream>
#include <string>
#include <vector>

namespace tkbsim {

// Runs one command (the arguments after the program name). Returns the exit status: 0 done,
// 1 the command failed, 2 the command was malformed. A malformed or failing command changes
// nothing; messages go to `err`, results to `out`.
int RunTkbsim(const std::vector<std::string>& args, std::ostream& out, std::ostream& err);

}  // namespace tkbsim
