#include "tkbsim/board.h"

#include <algorithm>
#include <cstdio>

#include "board_file.h"
#include "tkbsim/error.h"

namespace tkbsim {
namespace {

std::string Hex(uint32_t value) {
    char text[16];
    std::snprintf(text, sizeof text, "0x%X", value);
    return text;
}

state::I2CDevice& DeviceAt(Firmware& firmware, uint8_t slave, uint32_t subAddress, uint64_t count) {
    state::I2CDevice* device = firmware.Bus().Find(slave);
    if (!device) {
        throw Error("no I2C slave at " + Hex(slave));
    }
    const uint32_t size = device->subAddressBytes == 2 ? state::kI2CRegisterFileMax : 0x100;
    if (subAddress + count > size) {
        throw Error("I2C slave " + Hex(slave) + " has registers 0x0 to " + Hex(size - 1));
    }
    return *device;
}

void CheckFlashRange(uint32_t address, uint64_t length) {
    if (!Flash::InRange(address, length)) {
        throw Error("flash range " + Hex(address) + " + " + Hex(static_cast<uint32_t>(length)) +
                    " goes past the end of the flash (0xFFFFFF)");
    }
}

}  // namespace

Board::Board(std::unique_ptr<BoardFile> file) : file_(std::move(file)) {}
Board::~Board() = default;

const std::string& Board::Path() const {
    return file_->Path();
}
const ModelInfo& Board::Model() const {
    return file_->Model();
}

BoardInfo Board::Info() {
    BoardFile::Session session(*file_);
    const state::BoardControl& control = session.Control();
    BoardInfo info;
    info.model = &file_->Model();
    info.usbRelease = control.header.usbRelease;
    info.plugged = control.header.plugged != 0;
    info.connection = control.header.connection;
    info.restarts = control.header.restarts;
    info.opens = control.header.opens;
    std::copy_n(control.header.version, info.version.size(), info.version.begin());
    const char(&letters)[4] = state::IdentificationLetters(control.header, file_->Model());
    std::copy_n(letters, info.letters.size(), info.letters.begin());
    const state::Faults& faults = control.faults;
    info.faults.statusCount = faults.statusCount;
    info.faults.status = static_cast<uint8_t>(faults.status);
    info.faults.errorCount = faults.errorCount;
    info.faults.error = faults.error;
    info.faults.cutArmed = faults.cutArmed != 0;
    info.faults.cutLength = faults.cutLength;
    info.faults.missingEndpoint = static_cast<uint8_t>(faults.missingEndpoint);
    info.faults.badFlashStart = faults.badFlashStart;
    info.faults.badFlashLength = faults.badFlashLength;
    info.faults.refuseArmed = faults.refuseArmed != 0;
    info.faults.refusedCommand = static_cast<uint8_t>(faults.refusedCommand);
    info.faults.refusedStatus = static_cast<uint8_t>(faults.refusedStatus);
    info.faults.openLimitArmed = faults.openLimitArmed != 0;
    info.faults.opensLeft = faults.opensLeft;
    return info;
}

uint32_t Board::ReadFpga(uint32_t address) {
    BoardFile::Session session(*file_);
    return session.Firmware().Fpga().Read(address);
}

void Board::WriteFpga(uint32_t address, uint32_t value) {
    BoardFile::Session session(*file_);
    if (!session.Firmware().Fpga().Force(address, value)) {
        throw Error("the FPGA holds no more registers (" + std::to_string(state::kRegisterCapacity) + ")");
    }
}

std::vector<uint8_t> Board::ReadI2C(uint8_t slave, uint32_t subAddress, uint32_t count) {
    BoardFile::Session session(*file_);
    const state::I2CDevice& device = DeviceAt(session.Firmware(), slave, subAddress, count);
    return std::vector<uint8_t>(device.registers + subAddress, device.registers + subAddress + count);
}

void Board::WriteI2C(uint8_t slave, uint32_t subAddress, const std::vector<uint8_t>& bytes) {
    BoardFile::Session session(*file_);
    state::I2CDevice& device = DeviceAt(session.Firmware(), slave, subAddress, bytes.size());
    std::copy(bytes.begin(), bytes.end(), device.registers + subAddress);
}

std::vector<uint8_t> Board::ReadFlash(uint32_t address, uint32_t length) {
    CheckFlashRange(address, length);
    std::vector<uint8_t> bytes(length);
    BoardFile::Session session(*file_);
    session.Firmware().Flash().Read(address, bytes.data(), length);
    return bytes;
}

void Board::WriteFlash(uint32_t address, const std::vector<uint8_t>& bytes) {
    CheckFlashRange(address, bytes.size());
    BoardFile::Session session(*file_);
    session.Firmware().Flash().Store(address, bytes.data(), static_cast<uint32_t>(bytes.size()));
}

void Board::FailNextCommands(uint32_t count, uint8_t status) {
    if (status == 0) {
        throw Error("a failing command needs a status other than 0");
    }
    BoardFile::Session session(*file_);
    session.Control().faults.statusCount = count;
    session.Control().faults.status = status;
}

void Board::RefuseCommand(uint8_t command, uint8_t status) {
    if (status == 0) {
        throw Error("a refused command needs a status other than 0");
    }
    BoardFile::Session session(*file_);
    state::Faults& faults = session.Control().faults;
    faults.refuseArmed = 1;
    faults.refusedCommand = command;
    faults.refusedStatus = status;
}

void Board::FailNextRequests(uint32_t count, uint32_t error) {
    if (error == 0) {
        throw Error("a failing request needs an error code other than 0");
    }
    BoardFile::Session session(*file_);
    session.Control().faults.errorCount = count;
    session.Control().faults.error = error;
}

void Board::CutNextReply(uint32_t length) {
    BoardFile::Session session(*file_);
    session.Control().faults.cutArmed = 1;
    session.Control().faults.cutLength = length;
}

void Board::RemoveEndpoint(uint8_t endpoint) {
    if (endpoint != 0x04 && endpoint != 0x84) {
        throw Error("the board's endpoints are 0x04 and 0x84");
    }
    BoardFile::Session session(*file_);
    session.Control().faults.missingEndpoint = endpoint;
}

void Board::SetBadFlash(uint32_t address, uint32_t length) {
    CheckFlashRange(address, length);
    BoardFile::Session session(*file_);
    session.Control().faults.badFlashStart = address;
    session.Control().faults.badFlashLength = length;
}

void Board::StopOpeningAfter(uint32_t opens) {
    BoardFile::Session session(*file_);
    session.Control().faults.openLimitArmed = 1;
    session.Control().faults.opensLeft = opens;
}

void Board::ClearFaults() {
    BoardFile::Session session(*file_);
    session.Control().faults = state::Faults{};
}

std::vector<LoggedFrame> Board::Log(uint64_t& overwritten) {
    BoardFile::Session session(*file_);
    return session.Firmware().Log().Entries(overwritten);
}

void Board::ClearLog() {
    BoardFile::Session session(*file_);
    session.Firmware().Log().Clear();
}

void Board::Restart() {
    BoardFile::Session session(*file_);
    session.Firmware().Restart();
}

void Board::Unplug() {
    BoardFile::Session session(*file_);
    session.Control().header.plugged = 0;
    session.Firmware().PowerOn();
}

void Board::Plug() {
    BoardFile::Session session(*file_);
    state::Header& header = session.Control().header;
    if (!header.plugged) {
        header.plugged = 1;
        ++header.connection;
    }
}

}  // namespace tkbsim
