/* TKR50API: the device interface library of the TKB/TKR USB video interface boards.
 *
 * One connection object per process, one board at a time. Every export except TKR50API_Init and
 * TKR50API_End returns a result code: 1 is success; 0xF000000x are the library's own failures;
 * 0xE0000000 | n carries a Windows error code or a non-zero status byte n from the board.
 */
#ifndef TKR50API_H
#define TKR50API_H

#include <stdint.h>

#if defined(_WIN32)
/* Callers need no dllimport: the import library's thunks serve plain declarations as well. */
#if defined(TKR50API_BUILDING)
#define TKR50API_EXPORT __declspec(dllexport)
#elif defined(TKR50API_IMPORT)
#define TKR50API_EXPORT __declspec(dllimport)
#else
#define TKR50API_EXPORT
#endif
#define TKR50API_CALL __cdecl
#else
#define TKR50API_EXPORT __attribute__((visibility("default")))
#define TKR50API_CALL
#endif

#define TKRUSB20_RET_SUCCESS ((int32_t)0x00000001)
#define TKRUSB20_RET_ERROR_DRIVER_OPEN ((int32_t)0xF0000001)
#define TKRUSB20_RET_ERROR_DOUBLE_OPEN ((int32_t)0xF0000002)
#define TKRUSB20_RET_ERROR_NOT_OPEN ((int32_t)0xF0000003)
#define TKRUSB20_RET_ERROR_PARAM ((int32_t)0xF0000004)
#define TKRUSB20_RET_ERROR_COM ((int32_t)0xF0000005)
#define TKRUSB20_RET_ERROR_NOIDLE ((int32_t)0xF0000006)
#define TKRUSB20_RET_ERROR_FMUPDATE_T ((int32_t)0xF0000007)
#define TKRUSB20_RET_ERROR_FPUPDATE_T ((int32_t)0xF0000008)
#define TKRUSB20_RET_ERROR_GSTS2_T ((int32_t)0xF0000009)
#define TKRUSB20_RET_ERROR_MDATA_T ((int32_t)0xF000000A)
#define TKRUSB20_RET_ERROR_TKR ((int32_t)0xF1000000)
/* A Windows error code or a board status byte n comes back as TKRUSB20_RET_ERROR_SYSTEM | n. */
#define TKRUSB20_RET_ERROR_SYSTEM ((int32_t)0xE0000000)

#ifdef __cplusplus
/* No export throws: C++ callers see that in the type. */
#define TKR50API_NOEXCEPT noexcept
extern "C" {
#else
#define TKR50API_NOEXCEPT
#endif

/* Every export may be called from any thread; the exchanges of all threads and processes with the
 * boards are serialised by the system-wide lock "TKR50API_RES". Two codes can come back from every
 * export that returns one, besides those listed with it:
 *   TKRUSB20_RET_ERROR_SYSTEM | 8     (ERROR_NOT_ENOUGH_MEMORY) a buffer for the caller's length
 *                                     could not be had;
 *   TKRUSB20_RET_ERROR_SYSTEM | 1359  (ERROR_INTERNAL_ERROR) a fault of the library itself.
 *
 * Connection. TKR50API_Init makes the process's one connection object (a fresh one on every call)
 * and returns it, or NULL when out of memory; TKR50API_End destroys it. TKR50API_Open(mode, index)
 * opens board `index` (0-based, in the driver's enumeration order); mode must be 2. Results:
 * SUCCESS; ERROR_NOT_OPEN without Init; ERROR_DRIVER_OPEN when no board is present or board `index`
 * does not open; ERROR_PARAM for another mode; ERROR_DOUBLE_OPEN while any process of this library
 * file holds a board open; ERROR_SYSTEM | n when the system lock fails. TKR50API_Close(2) releases
 * the board and clears the shared open flag, whoever set it; it works without an Open. Every
 * export below needs Init (else ERROR_NOT_OPEN) and, to reach a board, an Open.
 * TKR50API_GetVersion writes the library's file version, NUL-terminated, into 256 bytes of
 * `buffer` (which must hold 256); ERROR_PARAM for NULL. */
TKR50API_EXPORT void* TKR50API_CALL TKR50API_Init(void) TKR50API_NOEXCEPT;
TKR50API_EXPORT void TKR50API_CALL TKR50API_End(void) TKR50API_NOEXCEPT;
TKR50API_EXPORT int32_t TKR50API_CALL TKR50API_Open(uint32_t mode, uint32_t boardIndex) TKR50API_NOEXCEPT;
TKR50API_EXPORT int32_t TKR50API_CALL TKR50API_Close(uint32_t mode) TKR50API_NOEXCEPT;
TKR50API_EXPORT int32_t TKR50API_CALL TKR50API_GetVersion(char* buffer) TKR50API_NOEXCEPT;

/* Register access on the board's I2C bus and through its SPI and FPGA commands; one exchange each.
 * slave: 7-bit address, at most 0x7F. wordAddress / subAddress: 0 for an 8-bit sub-address, else a
 * 16-bit one. Writes send at most one bulk packet of data (512 bytes on USB 2, 1024 on USB 3); reads
 * return at most one packet, and at most 255 bytes (I2C) or 1023 bytes (SPI, FPGA). SPI addresses
 * have 24 bits, SPI and FPGA write lengths 24 bits; FPGA writes need at least one byte. The
 * OneBlock calls address the device without a sub-address; bits 14-0 of `options` are a wait after
 * the transfer in units of 10 ms, bit 31 goes into the frame's address or mode byte. `data` may be
 * NULL only with length 0 (never for FPGA writes); `buffer` is never NULL.
 * Results: SUCCESS; ERROR_PARAM for arguments outside these limits (nothing is sent);
 * ERROR_SYSTEM | n for a driver failure n or a non-zero board status byte n. A failed read leaves
 * `buffer` as it was. */
TKR50API_EXPORT int32_t TKR50API_CALL TKR50API_I2CBlockWrite(uint32_t slave, uint32_t subAddress,
                                                             uint32_t length, const uint8_t* data,
                                                             uint32_t wordAddress) TKR50API_NOEXCEPT;
TKR50API_EXPORT int32_t TKR50API_CALL TKR50API_I2CBlockRead(uint32_t slave, uint32_t subAddress,
                                                            uint32_t length, uint8_t* buffer,
                                                            uint32_t wordAddress) TKR50API_NOEXCEPT;
TKR50API_EXPORT int32_t TKR50API_CALL TKR50API_I2COneBlockWrite(uint32_t slave, uint32_t length,
                                                                uint32_t options,
                                                                const uint8_t* data) TKR50API_NOEXCEPT;
TKR50API_EXPORT int32_t TKR50API_CALL TKR50API_I2COneBlockRead(uint32_t slave, uint32_t length,
                                                               uint32_t options,
                                                               uint8_t* buffer) TKR50API_NOEXCEPT;
TKR50API_EXPORT int32_t TKR50API_CALL TKR50API_SPIWrite(uint8_t command, uint8_t selector, uint32_t address,
                                                        uint32_t length,
                                                        const uint8_t* data) TKR50API_NOEXCEPT;
TKR50API_EXPORT int32_t TKR50API_CALL TKR50API_SPIRead(uint8_t command, uint8_t selector, uint32_t address,
                                                       uint32_t length, uint8_t* buffer) TKR50API_NOEXCEPT;
TKR50API_EXPORT int32_t TKR50API_CALL TKR50API_SPIFpgaWrite(uint8_t command, uint8_t selector,
                                                            uint32_t address, uint32_t length,
                                                            const uint8_t* data) TKR50API_NOEXCEPT;
TKR50API_EXPORT int32_t TKR50API_CALL TKR50API_SPIFpgaRead(uint8_t command, uint8_t selector,
                                                           uint32_t address, uint32_t length,
                                                           uint8_t* buffer) TKR50API_NOEXCEPT;

/* The settings block at flash address 0x1F0000 (both pairs are the same): SPIWrite and SPIRead with
 * the flash commands, and their limits and results. */
TKR50API_EXPORT int32_t TKR50API_CALL TKR50API_TKBSettingWrite(uint32_t length,
                                                               const uint8_t* data) TKR50API_NOEXCEPT;
TKR50API_EXPORT int32_t TKR50API_CALL TKR50API_TKBSettingRead(uint32_t length,
                                                              uint8_t* buffer) TKR50API_NOEXCEPT;
TKR50API_EXPORT int32_t TKR50API_CALL TKR50API_TKB20USettingWrite(uint32_t length,
                                                                  const uint8_t* data) TKR50API_NOEXCEPT;
TKR50API_EXPORT int32_t TKR50API_CALL TKR50API_TKB20USettingRead(uint32_t length,
                                                                 uint8_t* buffer) TKR50API_NOEXCEPT;

/* Flash images. TKBSPIBootMemUpdate programs `length` bytes at `address` (both 24-bit, up to 16 MiB)
 * in one data exchange; TKBSPIBootMemRead reads them back raw. Results: SUCCESS; ERROR_PARAM for
 * wider fields or NULL data with a length; ERROR_SYSTEM | n from the board or the driver; a failed
 * read leaves `buffer` as it was. TKR50API_Update and the ...FX3Update and ...FPGAUpdate exports
 * program their image at a fixed address (FX3 0x100000, FPGA 0x000000; TKB20U: 0x180000 and
 * 0x080000) and always return SUCCESS: verify an image by reading it back with the matching
 * ...BootMemRead, which likewise returns SUCCESS. */
TKR50API_EXPORT int32_t TKR50API_CALL TKR50API_TKBSPIBootMemUpdate(uint32_t address, uint32_t length,
                                                                   const uint8_t* data) TKR50API_NOEXCEPT;
TKR50API_EXPORT int32_t TKR50API_CALL TKR50API_TKBSPIBootMemRead(uint32_t address, uint32_t length,
                                                                 uint8_t* buffer) TKR50API_NOEXCEPT;
TKR50API_EXPORT int32_t TKR50API_CALL TKR50API_Update(uint32_t address, uint32_t length,
                                                      const uint8_t* data) TKR50API_NOEXCEPT;
TKR50API_EXPORT int32_t TKR50API_CALL TKR50API_TKBFX3Update(uint32_t length,
                                                            const uint8_t* data) TKR50API_NOEXCEPT;
TKR50API_EXPORT int32_t TKR50API_CALL TKR50API_TKBFPGAUpdate(uint32_t length,
                                                             const uint8_t* data) TKR50API_NOEXCEPT;
TKR50API_EXPORT int32_t TKR50API_CALL TKR50API_TKB20UFX3Update(uint32_t length,
                                                               const uint8_t* data) TKR50API_NOEXCEPT;
TKR50API_EXPORT int32_t TKR50API_CALL TKR50API_TKB20UFPGAUpdate(uint32_t length,
                                                                const uint8_t* data) TKR50API_NOEXCEPT;
TKR50API_EXPORT int32_t TKR50API_CALL TKR50API_TKBFX3BootMemRead(uint32_t length,
                                                                 uint8_t* buffer) TKR50API_NOEXCEPT;
TKR50API_EXPORT int32_t TKR50API_CALL TKR50API_TKBFPGABootMemRead(uint32_t length,
                                                                  uint8_t* buffer) TKR50API_NOEXCEPT;
TKR50API_EXPORT int32_t TKR50API_CALL TKR50API_TKB20UFX3BootMemRead(uint32_t length,
                                                                    uint8_t* buffer) TKR50API_NOEXCEPT;
TKR50API_EXPORT int32_t TKR50API_CALL TKR50API_TKB20UFPGABootMemRead(uint32_t length,
                                                                     uint8_t* buffer) TKR50API_NOEXCEPT;

/* Progress of flash image transfers. The image goes to the board in one data exchange and comes
 * back in one read, which the library moves in driver requests of at most the pipe's maximum
 * transfer size (64 KiB on the boards); a registered callback is told how far each has got between
 * those requests. Nothing the board sees changes: the frames, their order and their splitting are
 * the same with and without a callback.
 *
 * TKR50API_SetProgressCallback(callback, context) registers `callback` for the calling process,
 * replacing the one before; NULL unregisters. Needs no Init (the registration outlives End) and
 * takes no system lock, so it succeeds, and changes nothing for the other process, while another
 * process holds a board or the lock. Result: always SUCCESS.
 *
 * When it is called: TKBSPIBootMemUpdate (and TKR50API_Update and the ...FX3Update and ...FPGAUpdate
 * exports through it) calls it with TKR50API_PROGRESS_WRITE in its data exchange, TKBSPIBootMemRead
 * (and the ...BootMemRead exports) with TKR50API_PROGRESS_READ in its data read: once with done 0
 * before the first request (also for an empty image), then after every request that moved data,
 * with `done` the bytes moved so far and `total` the export's length. A request that fails ends the
 * calls early, so the last `done` is below `total`; the export's result says why. A read that the
 * board ends short stops at the bytes it gave. The header exchange, the closing read, settings and
 * register access make no calls. Arguments the export refuses make none either.
 *
 * Which thread, which lock: the callback runs on the thread that called the flash export, inside
 * that export, while the library holds "TKR50API_RES", so every other exchange of every process
 * waits for it: return quickly. It must not call any export of the library (an exchange from inside
 * would land between the pieces of the image). The export uses the callback that was registered
 * when it started; a change from another thread takes effect with the next export. */
#define TKR50API_PROGRESS_WRITE 1u
#define TKR50API_PROGRESS_READ 2u
typedef void(TKR50API_CALL* TKR50API_ProgressCallback)(void* context, uint32_t operation, uint32_t done,
                                                       uint32_t total);
TKR50API_EXPORT int32_t TKR50API_CALL TKR50API_SetProgressCallback(TKR50API_ProgressCallback callback,
                                                                   void* context) TKR50API_NOEXCEPT;

/* The board's version bytes (FX3 version, FPGA minor and major, ...): `length` at most 255 bytes
 * into `buffer`. Results: SUCCESS; ERROR_PARAM for NULL or a longer length; ERROR_SYSTEM | n from
 * the board or the driver. */
TKR50API_EXPORT int32_t TKR50API_CALL TKR50API_TKBVersionInfo(uint32_t length,
                                                              uint8_t* buffer) TKR50API_NOEXCEPT;

#ifdef __cplusplus
} /* extern "C" */

/* Kept for C++ callers that name the library's class; it has no data and does nothing. */
class TKR50API_EXPORT CTKR50API {
public:
    CTKR50API();
    CTKR50API& operator=(const CTKR50API&);
};
#endif

#endif /* TKR50API_H */
