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
extern "C" {
#endif

TKR50API_EXPORT void* TKR50API_CALL TKR50API_Init(void);
TKR50API_EXPORT void TKR50API_CALL TKR50API_End(void);
TKR50API_EXPORT int32_t TKR50API_CALL TKR50API_Open(uint32_t mode, uint32_t boardIndex);
TKR50API_EXPORT int32_t TKR50API_CALL TKR50API_Close(uint32_t mode);
TKR50API_EXPORT int32_t TKR50API_CALL TKR50API_GetVersion(char* buffer);

TKR50API_EXPORT int32_t TKR50API_CALL TKR50API_I2CBlockWrite(uint32_t slave, uint32_t subAddress,
                                                             uint32_t length, const uint8_t* data,
                                                             uint32_t wordAddress);
TKR50API_EXPORT int32_t TKR50API_CALL TKR50API_I2CBlockRead(uint32_t slave, uint32_t subAddress,
                                                            uint32_t length, uint8_t* buffer,
                                                            uint32_t wordAddress);
TKR50API_EXPORT int32_t TKR50API_CALL TKR50API_I2COneBlockWrite(uint32_t slave, uint32_t length,
                                                                uint32_t options, const uint8_t* data);
TKR50API_EXPORT int32_t TKR50API_CALL TKR50API_I2COneBlockRead(uint32_t slave, uint32_t length,
                                                               uint32_t options, uint8_t* buffer);
TKR50API_EXPORT int32_t TKR50API_CALL TKR50API_SPIWrite(uint8_t command, uint8_t selector, uint32_t address,
                                                        uint32_t length, const uint8_t* data);
TKR50API_EXPORT int32_t TKR50API_CALL TKR50API_SPIRead(uint8_t command, uint8_t selector, uint32_t address,
                                                       uint32_t length, uint8_t* buffer);
TKR50API_EXPORT int32_t TKR50API_CALL TKR50API_SPIFpgaWrite(uint8_t command, uint8_t selector,
                                                            uint32_t address, uint32_t length,
                                                            const uint8_t* data);
TKR50API_EXPORT int32_t TKR50API_CALL TKR50API_SPIFpgaRead(uint8_t command, uint8_t selector,
                                                           uint32_t address, uint32_t length,
                                                           uint8_t* buffer);

TKR50API_EXPORT int32_t TKR50API_CALL TKR50API_TKBSettingWrite(uint32_t length, const uint8_t* data);
TKR50API_EXPORT int32_t TKR50API_CALL TKR50API_TKBSettingRead(uint32_t length, uint8_t* buffer);
TKR50API_EXPORT int32_t TKR50API_CALL TKR50API_TKB20USettingWrite(uint32_t length, const uint8_t* data);
TKR50API_EXPORT int32_t TKR50API_CALL TKR50API_TKB20USettingRead(uint32_t length, uint8_t* buffer);
TKR50API_EXPORT int32_t TKR50API_CALL TKR50API_TKBSPIBootMemUpdate(uint32_t address, uint32_t length,
                                                                   const uint8_t* data);
TKR50API_EXPORT int32_t TKR50API_CALL TKR50API_TKBSPIBootMemRead(uint32_t address, uint32_t length,
                                                                 uint8_t* buffer);
TKR50API_EXPORT int32_t TKR50API_CALL TKR50API_Update(uint32_t address, uint32_t length, const uint8_t* data);
TKR50API_EXPORT int32_t TKR50API_CALL TKR50API_TKBFX3Update(uint32_t length, const uint8_t* data);
TKR50API_EXPORT int32_t TKR50API_CALL TKR50API_TKBFPGAUpdate(uint32_t length, const uint8_t* data);
TKR50API_EXPORT int32_t TKR50API_CALL TKR50API_TKB20UFX3Update(uint32_t length, const uint8_t* data);
TKR50API_EXPORT int32_t TKR50API_CALL TKR50API_TKB20UFPGAUpdate(uint32_t length, const uint8_t* data);
TKR50API_EXPORT int32_t TKR50API_CALL TKR50API_TKBFX3BootMemRead(uint32_t length, uint8_t* buffer);
TKR50API_EXPORT int32_t TKR50API_CALL TKR50API_TKBFPGABootMemRead(uint32_t length, uint8_t* buffer);
TKR50API_EXPORT int32_t TKR50API_CALL TKR50API_TKB20UFX3BootMemRead(uint32_t length, uint8_t* buffer);
TKR50API_EXPORT int32_t TKR50API_CALL TKR50API_TKB20UFPGABootMemRead(uint32_t length, uint8_t* buffer);
TKR50API_EXPORT int32_t TKR50API_CALL TKR50API_TKBVersionInfo(uint32_t length, uint8_t* buffer);

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
