// The library's per-process state: the connection object, the pipe table, the open count and the
// mutex handles that Open holds.
#pragma once

#include <cstdint>
#include <memory>
#include <vector>

#include "frame/platform.h"
#include "tkr/driver.h"

namespace tkr {

// The bulk pipes found at open. Packet and transfer sizes stay 0 until an Open has found them.
struct PipeTable {
    uint32_t outPipe = 0;
    uint32_t outMaxPacket = 0;
    uint32_t outMaxTransfer = 0;
    uint32_t inPipe = 0;
    uint32_t inMaxPacket = 0;
    uint32_t inMaxTransfer = 0;
};

// One per process, created by TKR50API_Init and freed by TKR50API_End.
struct DeviceConnection {
    // The driver through which `device` was opened.
    std::shared_ptr<Driver> driver;
    DeviceHandle device = 0;
    uint32_t bytesReturned = 0;
    uint32_t lastError = 0;
    // The handle exchanges lock with, opened by Init; it lives as long as the connection, so
    // exchanges are serialised with every other process also after Close.
    std::unique_ptr<SystemMutex> exchangeLock;

    ~DeviceConnection() { CloseDevice(); }
    void CloseDevice();
};

struct LibraryState {
    std::unique_ptr<DeviceConnection> connection;
    PipeTable pipes;
    int32_t openCount = 0;
    // Handles to the named mutex obtained by an Open that no Close has balanced yet.
    std::vector<std::unique_ptr<SystemMutex>> openHandles;
};

LibraryState& State();

// The driver the next Open will use: the one given to SetDriver, or the default.
std::shared_ptr<Driver> CurrentDriver();

}  // namespace tkr
