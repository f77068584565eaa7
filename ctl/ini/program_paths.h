// Where the program's INI files lie: the questions only the platform can answer.
#pragma once

#include <string>

namespace tkbctl {

// The separator between a folder and a file name in paths the program builds.
extern const char kPathSeparator;

// The full file name of the running executable.
std::string ExecutableFileName();

// The current working directory, without a trailing separator.
std::string CurrentDirectory();

}  // namespace tkbctl
