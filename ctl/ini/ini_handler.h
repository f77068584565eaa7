// The control program's INI accessors. Both only wrap the profile functions: no caching, no parsing
// of their own, no locking; every call reads or writes the file at once.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace tkbctl {

// The INI file that belongs to an executable: its full file name with blanks, tabs and carriage
// returns trimmed from both ends and its extension replaced by "ini", or ".ini" appended when the
// file name has no extension (a dot in a folder name does not count).
std::string DefaultIniPath(std::string_view executableFileName);

// The program name: the executable's file name without folder and extension.
std::string ProgramNameOf(std::string_view executableFileName);

// The program INI file: `folder`, the separator, the program name and ".ini".
std::string ProgramIniPath(std::string_view folder, std::string_view programName);

// Bound to one file; every call names the section.
class CINIHandler {
public:
    // The INI file beside the executable, named after it.
    CINIHandler();
    // Exactly the given path.
    explicit CINIHandler(std::string path);
    virtual ~CINIHandler() = default;

    // Nonzero on success.
    int WriteString(const std::string& section, const std::string& key, const std::string& value);
    // Copies the value (empty when missing) cut to `size` - 1 characters; returns the characters copied.
    uint32_t GetString(const std::string& section, const std::string& key, char* buffer, uint32_t size);
    int WriteInt(const std::string& section, const std::string& key, int32_t value);
    // The value's leading decimal integer (optional blanks and sign); 0 when missing or not a number.
    // Values beyond 32 bits give the nearest 32-bit value.
    int32_t GetInt(const std::string& section, const std::string& key);
    // Written with two decimals.
    int WriteFloat(const std::string& section, const std::string& key, float value);
    // The value's leading decimal number; 0 when missing or not a number.
    float GetFloat(const std::string& section, const std::string& key);

    const std::string& Path() const { return path_; }

private:
    std::string path_;
};

// Bound to one section of one file. Write results are not reported.
class CIniSection {
public:
    CIniSection(std::string section, std::string path);

    // The value, or `defaultValue` when missing; at most 127 characters.
    std::string GetString(const std::string& key, const std::string& defaultValue) const;
    int32_t GetInt(const std::string& key, int32_t defaultValue) const;
    void WriteString(const std::string& key, const std::string& text) const;
    void WriteInt(const std::string& key, int32_t value) const;

    const std::string& Section() const { return section_; }
    const std::string& Path() const { return path_; }

private:
    std::string section_;
    std::string path_;
};

// The program INI file as it is now: in the current working directory, named after the program,
// with the section named after the program. It follows the working directory, not the executable.
CIniSection ProgramIniFile();

}  // namespace tkbctl
