// What the virtual-board tests share: temporary board folders, and a client that sends the I/O
// control requests the library sends, so that the board model can be tested below the library.
#pragma once

#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

#include "tkbsim/board_folder.h"
#include "tkbsim/virtual_driver.h"

namespace tkbsim::test {

// A fresh folder, removed with everything in it at the end of the test.
class TempFolder {
public:
    explicit TempFolder(const std::string& name);
    ~TempFolder();
    TempFolder(const TempFolder&) = delete;
    TempFolder& operator=(const TempFolder&) = delete;

    const std::filesystem::path& Path() const { return path_; }
    std::string Str() const { return path_.string(); }

private:
    std::filesystem::path path_;
};

using Bytes = std::vector<uint8_t>;

// One open handle on a board, used as the library uses it.
class DriverClient {
public:
    DriverClient(tkbsim::VirtualDriver& driver, const std::string& path);
    ~DriverClient();

    uint32_t OpenError() const { return openError_; }
    tkr::DeviceHandle Handle() const { return handle_; }

    // A whole write phase, split as the library splits it (maximum transfer 65536, never ending
    // on a multiple of 1024). Returns the first failed request's error, or 0.
    uint32_t Write(const Bytes& frame);
    // One bulk-write request of exactly these bytes.
    uint32_t WriteRequest(const Bytes& bytes);
    // One bulk-read request; `error` receives the driver's result.
    Bytes Read(uint32_t size, uint32_t* error = nullptr);
    // Write phase, then one read of `replySize` bytes.
    Bytes Exchange(const Bytes& frame, uint32_t replySize);

private:
    tkbsim::VirtualDriver& driver_;
    tkr::DeviceHandle handle_ = 0;
    uint32_t openError_ = 0;
};

// Command frames as the library builds them.
Bytes I2CWrite8(uint8_t slave, uint8_t subAddress, const Bytes& data);
Bytes I2CWrite16(uint8_t slave, uint16_t subAddress, const Bytes& data);
Bytes I2CRead8(uint8_t slave, uint8_t subAddress, uint8_t count);
Bytes I2CRead16(uint8_t slave, uint16_t subAddress, uint8_t count);
Bytes I2COneBlockWrite(uint8_t slave, const Bytes& data);
Bytes I2COneBlockRead(uint8_t slave, uint8_t count);
Bytes FpgaWrite(uint32_t address, const Bytes& data);
Bytes FpgaRead(uint32_t address, uint16_t count);
Bytes SpiWrite(uint32_t address, const Bytes& data);
Bytes SpiRead(uint32_t address, uint16_t count);
Bytes BootProgramHeader(uint32_t address, uint32_t length);
Bytes BootRead(uint32_t address, uint32_t length);
Bytes VersionRequest(uint8_t count);

Bytes Be32(uint32_t value);
uint32_t FromBe32(const uint8_t* bytes);
// The environment of this process, as the virtual boards read it; "" removes a variable.
std::string GetEnvironment(const char* name);
void SetEnvironment(const char* name, const std::string& value);
// The file of this test program.
std::filesystem::path ProgramPath();

// A pattern that differs from its neighbours at every offset and from erased flash.
Bytes Pattern(size_t length, uint32_t seed);

}  // namespace tkbsim::test
