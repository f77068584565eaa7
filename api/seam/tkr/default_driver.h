// The driver a process uses until tkr::SetDriver names another. Each build of the library links
// exactly one definition: the board maker's kernel driver on Windows, a driver that finds no board
// on Linux, or the virtual boards in the simulated-boards build.
#pragma once

#include <memory>

#include "tkr/driver.h"

namespace tkr {
std::shared_ptr<Driver> DefaultDriver();
}
