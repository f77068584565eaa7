#include <iostream>

#include "tkbsim_cli.h"

int main(int argc, char** argv) {
    const std::vector<std::string> args(argv + 1, argv + argc);
    return tkbsim::RunTkbsim(args, std::cout, std::cerr);
}
