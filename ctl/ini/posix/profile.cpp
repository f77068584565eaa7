#include "ini/profile.h"

#include "ini/portable_profile.h"

namespace tkbctl {

uint32_t ProfileReadString(const char* section, const char* key, const char* defaultValue, char* buffer,
                           uint32_t size, const char* path) {
    return PortableGetString(section, key, defaultValue, buffer, size, path);
}

uint32_t ProfileReadInt(const char* section, const char* key, int32_t defaultValue, const char* path) {
    return PortableGetInt(section, key, defaultValue, path);
}

int ProfileWriteString(const char* section, const char* key, const char* value, const char* path) {
    return PortableWriteString(section, key, value, path) ? 1 : 0;
}

}  // namespace tkbctl
