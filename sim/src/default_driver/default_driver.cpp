// The simulated-boards build of the library reaches the virtual boards instead of the kernel driver.
#include "tkr/default_driver.h"

#include <map>
#include <mutex>

#include "tkbsim/virtual_driver.h"

namespace tkr {

std::shared_ptr<Driver> DefaultDriver() {
    // One driver per folder, so that boards stay mapped across the library's many opens.
    static std::mutex mutex;
    static std::map<std::string, std::shared_ptr<Driver>> drivers;
    const std::string folder = tkbsim::DefaultBoardFolder();
    std::lock_guard<std::mutex> lock(mutex);
    std::shared_ptr<Driver>& driver = drivers[folder];
    if (!driver) {
        driver = std::make_shared<tkbsim::VirtualDriver>(folder);
    }
    return driver;
}

}  // namespace tkr
