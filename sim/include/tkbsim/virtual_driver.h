// The virtual driver: tkr::Driver over the boards of a board folder, answering the library's I/O
// control requests as the board maker's kernel driver does, with the virtual boards' firmware
// behind it.
//
// Requests it answers:
//  - 0x222000: the pipe list in the layout given at construction: pipe 0 endpoint 0x04 (bulk out),
//    pipe 1 endpoint 0x84 (bulk in), maximum packet 512 on a USB 2 connection and 1024 on USB 3,
//    maximum transfer 65536. A board with a missing endpoint fault lists only the other pipe.
//  - 0x222051 and 0x22204E: bulk write and read; the input is the 4-byte pipe number, which must
//    name a pipe of the right direction, and the transfer may not exceed the maximum transfer size
//    (ERROR_INVALID_PARAMETER otherwise). A write always takes all its bytes; a read returns what
//    the board has ready, possibly 0 bytes (see reply_queue.h).
//  - Any other code fails with ERROR_INVALID_FUNCTION.
// Failures: an unknown handle gives ERROR_INVALID_HANDLE; a board unplugged since the handle was
// opened gives ERROR_DEVICE_NOT_CONNECTED; Open of a path whose board is absent or unplugged, or
// opens no more (Board::StopOpeningAfter), gives ERROR_FILE_NOT_FOUND.
//
// Every call is safe from any thread. Board files are mapped once per driver and kept while the
// folder lists them.
#pragma once

#include <cstdint>
#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "tkbsim/board.h"
#include "tkr/driver.h"
#include "tkr/protocol.h"

namespace tkbsim {

class VirtualDriver : public tkr::Driver {
public:
    // The boards of the folder at `folder`; an empty path or a folder that does not exist means no
    // boards. `layout` is the pipe-list layout of the library build the driver serves.
    explicit VirtualDriver(std::string folder,
                           const tkr::PipeListLayout& layout = tkr::kPipeListLayoutNative);

    uint32_t Enumerate(std::vector<std::string>& paths) override;
    uint32_t Open(const std::string& path, tkr::DeviceHandle& handle) override;
    void Close(tkr::DeviceHandle handle) override;
    uint32_t Control(tkr::DeviceHandle handle, uint32_t code, const void* input, uint32_t inputSize,
                     void* output, uint32_t outputSize, uint32_t& returned) override;

    // The device path under which board `number` is enumerated.
    static std::string DevicePath(uint32_t number);

private:
    struct OpenBoard {
        std::shared_ptr<Board> board;
        uint32_t connection = 0;
    };
    // The folder's readable boards in number order, mapping new files and forgetting vanished ones.
    std::vector<std::pair<uint32_t, std::shared_ptr<Board>>> Scan();

    std::string folder_;
    tkr::PipeListLayout layout_;
    std::mutex mutex_;
    std::map<uint32_t, std::shared_ptr<Board>> boards_;
    std::map<tkr::DeviceHandle, OpenBoard> handles_;
    tkr::DeviceHandle nextHandle_ = 1;
};

// The board folder of the simulated-boards library: the folder named by the environment variable
// TKBSIM_DIR when it is set, else the folder "tkbsim-boards" beside the module that holds this
// code (the library file, or the program it is linked into).
std::string DefaultBoardFolder();

}  // namespace tkbsim
