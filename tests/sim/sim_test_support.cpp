#include "sim_test_support.h"

#include <atomic>
#include <chrono>
#include <cstdlib>

#include "tkr/protocol.h"

#if defined(_WIN32)
#include <windows.h>
#else
#include <unistd.h>
#endif

namespace tkbsim::test {
namespace {

uint32_t ProcessId() {
#if defined(_WIN32)
    return GetCurrentProcessId();
#else
    return static_cast<uint32_t>(getpid());
#endif
}

constexpr uint32_t kOutPipe = 0;
constexpr uint32_t kInPipe = 1;
constexpr uint32_t kMaxTransfer = 65536;

Bytes Cat(Bytes head, const Bytes& tail) {
    head.insert(head.end(), tail.begin(), tail.end());
    return head;
}

}  // namespace

TempFolder::TempFolder(const std::string& name) {
    static std::atomic<uint32_t> counter{0};
    const auto stamp = std::chrono::steady_clock::now().time_since_epoch().count();
    path_ =
        std::filesystem::temp_directory_path() / ("tkbsim-" + name + "-" + std::to_string(ProcessId()) + "-" +
                                                  std::to_string(stamp) + "-" + std::to_string(counter++));
    std::filesystem::create_directories(path_);
}

TempFolder::~TempFolder() {
    std::error_code error;
    std::filesystem::remove_all(path_, error);
}

DriverClient::DriverClient(tkbsim::VirtualDriver& driver, const std::string& path) : driver_(driver) {
    openError_ = driver_.Open(path, handle_);
}

DriverClient::~DriverClient() {
    driver_.Close(handle_);
}

uint32_t DriverClient::WriteRequest(const Bytes& bytes) {
    uint32_t returned = 0;
    const uint32_t pipe = kOutPipe;
    return driver_.Control(handle_, tkr::kIoctlBulkWrite, &pipe, sizeof pipe,
                           const_cast<uint8_t*>(bytes.data()), static_cast<uint32_t>(bytes.size()), returned);
}

uint32_t DriverClient::Write(const Bytes& frame) {
    size_t done = 0;
    while (done < frame.size()) {
        size_t chunk = frame.size() - done;
        if (chunk > kMaxTransfer) {
            chunk = kMaxTransfer;
        } else if (chunk % 1024 == 0) {
            chunk -= 64;
        }
        if (const uint32_t error = WriteRequest(Bytes(frame.begin() + done, frame.begin() + done + chunk))) {
            return error;
        }
        done += chunk;
    }
    return 0;
}

Bytes DriverClient::Read(uint32_t size, uint32_t* error) {
    Bytes buffer(size);
    uint32_t returned = 0;
    const uint32_t pipe = kInPipe;
    const uint32_t result =
        driver_.Control(handle_, tkr::kIoctlBulkRead, &pipe, sizeof pipe, buffer.data(), size, returned);
    if (error) {
        *error = result;
    }
    buffer.resize(result == 0 ? returned : 0);
    return buffer;
}

Bytes DriverClient::Exchange(const Bytes& frame, uint32_t replySize) {
    Write(frame);
    return Read(replySize);
}

Bytes Be32(uint32_t value) {
    return {static_cast<uint8_t>(value >> 24), static_cast<uint8_t>(value >> 16),
            static_cast<uint8_t>(value >> 8), static_cast<uint8_t>(value)};
}

uint32_t FromBe32(const uint8_t* bytes) {
    return uint32_t{bytes[0]} << 24 | uint32_t{bytes[1]} << 16 | uint32_t{bytes[2]} << 8 | bytes[3];
}

static Bytes Be24(uint32_t value) {
    return {static_cast<uint8_t>(value >> 16), static_cast<uint8_t>(value >> 8), static_cast<uint8_t>(value)};
}

Bytes I2CWrite8(uint8_t slave, uint8_t subAddress, const Bytes& data) {
    return Cat({0x01, static_cast<uint8_t>(slave * 2), subAddress}, data);
}
Bytes I2CWrite16(uint8_t slave, uint16_t subAddress, const Bytes& data) {
    return Cat({0x01, static_cast<uint8_t>(slave * 2), static_cast<uint8_t>(subAddress >> 8),
                static_cast<uint8_t>(subAddress)},
               data);
}
Bytes I2CRead8(uint8_t slave, uint8_t subAddress, uint8_t count) {
    return {0x00, static_cast<uint8_t>(slave * 2), subAddress, count};
}
Bytes I2CRead16(uint8_t slave, uint16_t subAddress, uint8_t count) {
    return {0x02, static_cast<uint8_t>(slave * 2), static_cast<uint8_t>(subAddress >> 8),
            static_cast<uint8_t>(subAddress), count};
}
Bytes I2COneBlockWrite(uint8_t slave, const Bytes& data) {
    return Cat({0x01, static_cast<uint8_t>(slave * 2)}, data);
}
Bytes I2COneBlockRead(uint8_t slave, uint8_t count) {
    return {0x00, static_cast<uint8_t>(slave * 2 + 1), 0x01, count};
}
Bytes FpgaWrite(uint32_t address, const Bytes& data) {
    return Cat(Cat(Cat({0x08, 0x99}, Be32(address)), Be24(static_cast<uint32_t>(data.size()))), data);
}
Bytes FpgaRead(uint32_t address, uint16_t count) {
    return Cat(Cat({0x07, 0x99}, Be32(address)),
               {static_cast<uint8_t>(count >> 8), static_cast<uint8_t>(count)});
}
Bytes SpiWrite(uint32_t address, const Bytes& data) {
    return Cat(Cat(Cat({0x04, 0xE7}, Be24(address)), Be24(static_cast<uint32_t>(data.size()))), data);
}
Bytes SpiRead(uint32_t address, uint16_t count) {
    return Cat(Cat({0x03, 0xE7}, Be24(address)),
               {static_cast<uint8_t>(count >> 8), static_cast<uint8_t>(count)});
}
Bytes BootProgramHeader(uint32_t address, uint32_t length) {
    return Cat(Cat({0x05, 0xE7}, Be24(address)), Be24(length));
}
Bytes BootRead(uint32_t address, uint32_t length) {
    return Cat(Cat({0x06, 0xE7}, Be24(address)), Be24(length));
}
Bytes VersionRequest(uint8_t count) {
    return {0xF0, count, 0, 0, 0};
}

std::string GetEnvironment(const char* name) {
#if defined(_WIN32)
    char value[32768];
    const DWORD length = GetEnvironmentVariableA(name, value, sizeof value);
    return length > 0 && length < sizeof value ? std::string(value, length) : std::string{};
#else
    const char* value = std::getenv(name);
    return value ? value : "";
#endif
}

void SetEnvironment(const char* name, const std::string& value) {
#if defined(_WIN32)
    SetEnvironmentVariableA(name, value.empty() ? nullptr : value.c_str());
#else
    value.empty() ? unsetenv(name) : setenv(name, value.c_str(), 1);
#endif
}

std::filesystem::path ProgramPath() {
#if defined(_WIN32)
    char path[MAX_PATH + 1] = {};
    GetModuleFileNameA(nullptr, path, MAX_PATH);
    return path;
#else
    return std::filesystem::canonical("/proc/self/exe");
#endif
}

Bytes Pattern(size_t length, uint32_t seed) {
    Bytes bytes(length);
    uint32_t state = seed * 2654435761u + 1;
    for (auto& byte : bytes) {
        state = state * 1103515245u + 12345u;
        byte = static_cast<uint8_t>(state >> 16);
    }
    return bytes;
}

}  // namespace tkbsim::test
