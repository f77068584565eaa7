// The library frame: the connection object, open and close with the shared open flag and the
// per-process open count, and the version string.
#include <algorithm>
#include <cstring>
#include <mutex>
#include <new>
#include <string>

#include "TKR50API.h"
#include "frame/export_guard.h"
#include "frame/library_state.h"
#include "frame/platform.h"
#include "tkr/default_driver.h"
#include "tkr/protocol.h"
#include "transport/transport.h"

namespace tkr {

namespace {

constexpr size_t kVersionSize = 256;

std::mutex driverMutex;
std::shared_ptr<Driver> driverOverride;

// Drops this process's claim on an open connection: the count goes down by one and the mutex
// handles obtained by Open are closed when it reaches 0.
void ReleaseStep(LibraryState& state) {
    if (!state.openHandles.empty()) {
        SystemMutexGuard guard(*state.openHandles.front());
        if (state.openCount > 0)
            --state.openCount;
    }
    if (state.openCount <= 0)
        state.openHandles.clear();
}

// Opens board `index` on the connection and finds its bulk pipes. Returns false with the
// connection's last error set when the board cannot carry commands.
bool OpenDevice(LibraryState& state, uint32_t index) {
    DeviceConnection& connection = *state.connection;
    connection.CloseDevice();
    // The pipes of the previous device mean nothing for the next one.
    state.pipes = {};
    connection.driver = CurrentDriver();

    std::vector<std::string> paths;
    uint32_t error = connection.driver->Enumerate(paths);
    if (error == 0 && index >= paths.size())
        error = kErrorNoMoreItems;
    if (error == 0)
        error = connection.driver->Open(paths[index], connection.device);
    if (error != 0) {
        connection.device = 0;
        connection.lastError = error;
        return false;
    }

    PipeEntry out, in;
    const int32_t outPipe = FindPipe(connection, kEndpointBulkOut, out);
    if (outPipe < 0)
        return false;
    const int32_t inPipe = FindPipe(connection, kEndpointBulkIn, in);
    if (inPipe < 0)
        return false;
    // A board without both bulk endpoints, or one that cannot move a byte, cannot carry commands.
    if (out.maxTransfer == 0 || in.maxTransfer == 0) {
        connection.lastError = kErrorInvalidHandle;
        return false;
    }
    state.pipes = {static_cast<uint32_t>(outPipe), out.maxPacket, out.maxTransfer,
                   static_cast<uint32_t>(inPipe),  in.maxPacket,  in.maxTransfer};
    return true;
}

}  // namespace

void DeviceConnection::CloseDevice() {
    if (device != 0 && driver)
        driver->Close(device);
    device = 0;
}

LibraryState& State() {
    static LibraryState state;
    return state;
}

std::shared_ptr<Driver> CurrentDriver() {
    std::lock_guard<std::mutex> lock(driverMutex);
    if (!driverOverride)
        driverOverride = DefaultDriver();
    return driverOverride;
}

void SetDriver(std::shared_ptr<Driver> driver) {
    std::lock_guard<std::mutex> lock(driverMutex);
    driverOverride = std::move(driver);
}

}  // namespace tkr

using namespace tkr;

extern "C" {

void* TKR50API_Init(void) noexcept {
    LibraryState& state = State();
    state.connection.reset();
    // A new connection has no device yet, and so no pipes: transfers are refused until an Open.
    state.pipes = {};
    try {
        state.connection = std::make_unique<DeviceConnection>();
        // The exchange lock is opened here, once, so that threads sharing the connection never race
        // to create it; a failure is reported by every exchange.
        uint32_t error = 0;
        state.connection->exchangeLock = SystemMutex::Open(error);
        if (!state.connection->exchangeLock)
            state.connection->lastError = error;
    } catch (...) {
        // Out of memory: no connection, as though Init had never run.
        state.connection.reset();
    }
    return state.connection.get();
}

void TKR50API_End(void) noexcept {
    State().connection.reset();
    State().pipes = {};
}

int32_t TKR50API_Open(uint32_t mode, uint32_t boardIndex) noexcept {
    return GuardedExport([&]() -> int32_t {
        LibraryState& state = State();
        // Without Init there is no connection object to open on.
        if (!state.connection)
            return TKRUSB20_RET_ERROR_NOT_OPEN;
        DeviceConnection& connection = *state.connection;

        uint32_t error = 0;
        std::unique_ptr<SystemMutex> flagHandle = SystemMutex::Open(error);
        if (!flagHandle) {
            ReleaseStep(state);
            return SystemResult(error);
        }

        // Presence check: at least one board of the driver's class.
        std::vector<std::string> paths;
        error = CurrentDriver()->Enumerate(paths);
        if (error == 0 && paths.empty())
            error = kErrorNoMoreItems;
        if (error != 0) {
            connection.lastError = error;
            return TKRUSB20_RET_ERROR_DRIVER_OPEN;
        }

        const bool alreadyHeld = !state.openHandles.empty();
        {
            SystemMutexGuard guard(*flagHandle);
            if (mode != kAccessMode)
                return TKRUSB20_RET_ERROR_PARAM;
            if (SharedOpenFlag() == 1)
                return TKRUSB20_RET_ERROR_DOUBLE_OPEN;
            ++state.openCount;
            SharedOpenFlag() = 1;
        }
        // An earlier Open that no Close balanced still holds the device: keep using it.
        if (alreadyHeld)
            return TKRUSB20_RET_SUCCESS;
        state.openHandles.push_back(std::move(flagHandle));

        std::unique_ptr<SystemMutex> exchangeHandle = SystemMutex::Open(error);
        if (!exchangeHandle) {
            ReleaseStep(state);
            return SystemResult(error);
        }
        state.openHandles.push_back(std::move(exchangeHandle));

        if (OpenDevice(state, boardIndex))
            return TKRUSB20_RET_SUCCESS;

        {
            SystemMutexGuard guard(*state.openHandles.front());
            SharedOpenFlag() = 0;
        }
        ReleaseStep(state);
        return TKRUSB20_RET_ERROR_DRIVER_OPEN;
    });
}

int32_t TKR50API_Close(uint32_t mode) noexcept {
    return GuardedExport([&]() -> int32_t {
        LibraryState& state = State();
        uint32_t error = 0;
        // Close works without an Open of this process: it clears the flag whoever set it.
        std::unique_ptr<SystemMutex> handle = SystemMutex::Open(error);
        if (!handle)
            return SystemResult(error);
        {
            SystemMutexGuard guard(*handle);
            if (mode != kAccessMode)
                return TKRUSB20_RET_ERROR_PARAM;
            if (SharedOpenFlag() == 1)
                SharedOpenFlag() = 0;
        }
        ReleaseStep(state);
        return TKRUSB20_RET_SUCCESS;
    });
}

int32_t TKR50API_GetVersion(char* buffer) noexcept {
    return GuardedExport([&]() -> int32_t {
        if (!buffer)
            return TKRUSB20_RET_ERROR_PARAM;
        // Read once, on first use: the loader lock held during attach is no place for file reads.
        static const std::string version = ReadOwnVersion();
        std::memset(buffer, 0, kVersionSize);
        std::memcpy(buffer, version.data(), std::min(version.size(), kVersionSize - 1));
        return TKRUSB20_RET_SUCCESS;
    });
}

}  // extern "C"

CTKR50API::CTKR50API() = default;
CTKR50API& CTKR50API::operator=(const CTKR50API&) = default;
