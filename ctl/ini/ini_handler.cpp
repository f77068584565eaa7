#include "ini/ini_handler.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <limits>

#include "ini/profile.h"
#include "ini/program_paths.h"

namespace tkbctl {
namespace {

// Every value goes through a buffer of this size; longer values are cut to 127 characters.
constexpr uint32_t kValueCapacity = 128;

bool IsPathBlank(char c) {
    return c == ' ' || c == '\t' || c == '\r';
}

std::string_view TrimPathBlanks(std::string_view text) {
    while (!text.empty() && IsPathBlank(text.front())) {
        text.remove_prefix(1);
    }
    while (!text.empty() && IsPathBlank(text.back())) {
        text.remove_suffix(1);
    }
    return text;
}

size_t FileNameStart(std::string_view path) {
    const size_t separator = path.find_last_of("\\/");
    return separator == std::string_view::npos ? 0 : separator + 1;
}

// The position of the extension's dot, or npos when the file name has none.
size_t ExtensionDot(std::string_view path) {
    const size_t dot = path.find_last_of('.');
    if (dot == std::string_view::npos || dot < FileNameStart(path)) {
        return std::string_view::npos;
    }
    return dot;
}

}  // namespace

std::string DefaultIniPath(std::string_view executableFileName) {
    const std::string_view path = TrimPathBlanks(executableFileName);
    const size_t dot = ExtensionDot(path);
    if (dot == std::string_view::npos) {
        return std::string(path) + ".ini";
    }
    return std::string(path.substr(0, dot + 1)) + "ini";
}

std::string ProgramNameOf(std::string_view executableFileName) {
    const std::string_view path = executableFileName;
    const size_t start = FileNameStart(path);
    const size_t dot = ExtensionDot(path);
    return std::string(
        path.substr(start, dot == std::string_view::npos ? std::string_view::npos : dot - start));
}

std::string ProgramIniPath(std::string_view folder, std::string_view programName) {
    std::string path(folder);
    path += kPathSeparator;
    path += programName;
    path += ".ini";
    return path;
}

CINIHandler::CINIHandler() : path_(DefaultIniPath(ExecutableFileName())) {}

CINIHandler::CINIHandler(std::string path) : path_(std::move(path)) {}

int CINIHandler::WriteString(const std::string& section, const std::string& key, const std::string& value) {
    return ProfileWriteString(section.c_str(), key.c_str(), value.c_str(), path_.c_str());
}

uint32_t CINIHandler::GetString(const std::string& section, const std::string& key, char* buffer,
                                uint32_t size) {
    return ProfileReadString(section.c_str(), key.c_str(), "", buffer, size, path_.c_str());
}

int CINIHandler::WriteInt(const std::string& section, const std::string& key, int32_t value) {
    char text[kValueCapacity];
    std::snprintf(text, sizeof text, "%d", static_cast<int>(value));
    return WriteString(section, key, text);
}

int32_t CINIHandler::GetInt(const std::string& section, const std::string& key) {
    char text[kValueCapacity];
    GetString(section, key, text, sizeof text);
    // strtol rather than atoi: atoi has no defined result beyond the range of int.
    const long value = std::strtol(text, nullptr, 10);
    constexpr long kMin = std::numeric_limits<int32_t>::min();
    constexpr long kMax = std::numeric_limits<int32_t>::max();
    return static_cast<int32_t>(value < kMin ? kMin : value > kMax ? kMax : value);
}

int CINIHandler::WriteFloat(const std::string& section, const std::string& key, float value) {
    char text[kValueCapacity];
    std::snprintf(text, sizeof text, "%.2f", static_cast<double>(value));
    return WriteString(section, key, text);
}

float CINIHandler::GetFloat(const std::string& section, const std::string& key) {
    char text[kValueCapacity];
    GetString(section, key, text, sizeof text);
    return static_cast<float>(std::strtod(text, nullptr));
}

CIniSection::CIniSection(std::string section, std::string path)
    : section_(std::move(section)), path_(std::move(path)) {}

std::string CIniSection::GetString(const std::string& key, const std::string& defaultValue) const {
    char text[kValueCapacity];
    const uint32_t length = ProfileReadString(section_.c_str(), key.c_str(), defaultValue.c_str(), text,
                                              sizeof text, path_.c_str());
    return std::string(text, std::min<size_t>(length, sizeof text - 1));
}

int32_t CIniSection::GetInt(const std::string& key, int32_t defaultValue) const {
    return static_cast<int32_t>(ProfileReadInt(section_.c_str(), key.c_str(), defaultValue, path_.c_str()));
}

void CIniSection::WriteString(const std::string& key, const std::string& text) const {
    ProfileWriteString(section_.c_str(), key.c_str(), text.c_str(), path_.c_str());
}

void CIniSection::WriteInt(const std::string& key, int32_t value) const {
    WriteString(key, std::to_string(value));
}

CIniSection ProgramIniFile() {
    const std::string programName = ProgramNameOf(ExecutableFileName());
    return CIniSection(programName, ProgramIniPath(CurrentDirectory(), programName));
}

}  // namespace tkbctl
