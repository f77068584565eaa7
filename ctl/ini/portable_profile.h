// The profile functions without Windows: reading and writing INI files the way the Windows profile
// functions do, so that the control program behaves the same natively as on a PC.
//
// What a user can see is reproduced: section and key names match without regard to case and to the
// blanks around them; blanks around values are dropped and one pair of matching quotes is removed;
// the first of duplicate sections or keys wins; a missing file, section or key gives the default;
// results are cut to the caller's buffer; CR LF, LF and CR line ends are read alike; a write creates
// the file and the section, replaces a key where it stands and writes the file back with CR LF.
//
// Bytes are kept as they are (no code page conversion); a UTF-8 byte order mark is skipped on reading
// and kept on writing. Every call reads the file afresh; nothing is cached.
//
// Contract of all three: section, key and path are zero-terminated texts and never null; they block
// for the time of one file read (and one write); no lock is taken, so concurrent writers of one file
// race exactly as they do with the Windows functions.
#pragma once

#include <cstdint>

namespace tkbctl {

// Like GetPrivateProfileStringA for a named section and key: copies the value (or `defaultValue`, or
// an empty text when it is null) into `buffer`, cut to `size` - 1 characters and always terminated
// when `size` > 0. Returns the number of characters copied. Never writes past `size` bytes.
uint32_t PortableGetString(const char* section, const char* key, const char* defaultValue, char* buffer,
                           uint32_t size, const char* path);

// Like GetPrivateProfileIntA: the value's leading number (optional sign, "0x" hexadecimal, "0o" octal
// or "0b" binary prefix, 32 bits wrapping), or `defaultValue` when the key is missing or empty.
uint32_t PortableGetInt(const char* section, const char* key, int32_t defaultValue, const char* path);

// Like WritePrivateProfileStringA with a non-null value: sets the key, creating the file and the
// section when needed. Returns false when the file cannot be read or written, or `value` is null.
bool PortableWriteString(const char* section, const char* key, const char* value, const char* path);

}  // namespace tkbctl
