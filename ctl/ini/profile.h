// The profile functions the INI accessors call: the Windows functions on Windows, the portable
// implementation elsewhere. Arguments and results are those of GetPrivateProfileStringA,
// GetPrivateProfileIntA and WritePrivateProfileStringA; section, key and path are never null.
// Each call reads (and for a write, writes) the file at once.
#pragma once

#include <cstdint>

namespace tkbctl {

uint32_t ProfileReadString(const char* section, const char* key, const char* defaultValue, char* buffer,
                           uint32_t size, const char* path);
uint32_t ProfileReadInt(const char* section, const char* key, int32_t defaultValue, const char* path);
// Nonzero on success.
int ProfileWriteString(const char* section, const char* key, const char* value, const char* path);

}  // namespace tkbctl
