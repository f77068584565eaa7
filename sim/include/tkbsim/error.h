// Failures of the virtual boards' own API (board folders, board files, the test tool). The virtual
// driver turns them into Windows error codes; nothing throws across tkr::Driver.
#pragma once

#include <stdexcept>
#include <string>

namespace tkbsim {

class Error : public std::runtime_error {
public:
    explicit Error(const std::string& message) : std::runtime_error(message) {}
};

}  // namespace tkbsim
