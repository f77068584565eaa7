// The firmware of a virtual board: it takes the bytes of bulk-write requests, cuts them into
// frames, carries out each command on the board's flash, FPGA registers and I2C bus, and queues
// the replies that bulk reads take.
//
// A frame whose fields give its length (every command but the I2C write, and the image data a
// boot-memory program header announces) ends when that many bytes have come, whatever the write
// requests that carried them; bytes after it in the same request begin the next frame. A frame
// without a length, and one that stops short of its length, ends when the host reads (its write
// phase is over) or sends a zero-length packet; one cut short is answered kStatusBadLength. A
// frame that starts discards replies its sender never read, so one process's leftovers cannot
// answer another's command.
//
// Data announced by a boot-memory program header is the next frame, whatever it holds: an
// exchange of another process that comes between header and data is taken as image data, as on
// a real board. A header the board refuses still makes it swallow the announced data, so that
// image bytes are never run as commands.
//
// Data of long writes goes to the flash or the FPGA as it arrives; a write frame found short at
// its end is answered kStatusBadLength with the bytes that came already stored.
#pragma once

#include <cstdint>

#include "board_state.h"
#include "flash.h"
#include "fpga_space.h"
#include "frame_log.h"
#include "i2c_bus.h"
#include "reply_queue.h"

namespace tkbsim {

class Firmware {
public:
    Firmware(state::BoardControl& control, uint8_t* flashStorage, const ModelInfo& model);

    // Power-on state of everything the board forgets without power: FPGA registers, I2C devices,
    // frames under way and unread replies. The flash, the faults and the frame log stay.
    void PowerOn();
    // The FPGA restart: as PowerOn, and the restart is counted.
    void Restart();

    // One bulk-write request of `length` bytes sent by process `pid`.
    void Receive(const uint8_t* data, uint32_t length, uint32_t pid);
    // One bulk-read request: copies up to `size` reply bytes and returns how many.
    uint32_t Reply(uint8_t* out, uint32_t size);

    tkbsim::Flash& Flash() { return flash_; }
    FpgaSpace& Fpga() { return fpga_; }
    I2CBus& Bus() { return bus_; }
    FrameLog& Log() { return log_; }
    bool CamerasRunning() const;

private:
    void StartFrame(uint32_t pid);
    // Each takes the bytes that belong to the frame under way and returns how many it took.
    uint32_t Feed(const uint8_t* data, uint32_t length);
    uint32_t FeedImage(const uint8_t* data, uint32_t length);
    void FeedHeader(uint8_t value);
    void FeedPayload(uint8_t value);
    bool FrameComplete() const;
    void OnHeaderComplete();
    void EndFrame();
    void Execute();
    void Fail(uint8_t status);

    void ReadI2C(uint8_t addressByte, const uint8_t* subAddress, uint32_t subAddressBytes, uint32_t count);
    void ReadFlash(uint32_t address, uint32_t count);
    void ReadFpga(uint32_t address, uint32_t count);
    void ReadVersion(uint32_t count);
    void AnnounceImage(uint32_t address, uint32_t length);
    void ReadBootMemory(uint32_t address, uint32_t length);
    void FinishFpgaWrite();

    uint32_t HeaderSize() const;

    state::BoardControl& control_;
    state::Receiver& rx_;
    const ModelInfo& model_;
    tkbsim::Flash flash_;
    FpgaSpace fpga_;
    I2CBus bus_;
    ReplyQueue replies_;
    FrameLog log_;
};

}  // namespace tkbsim
