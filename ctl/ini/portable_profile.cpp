#include "ini/portable_profile.h"

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace tkbctl {
namespace {

constexpr std::string_view kUtf8Mark = "\xEF\xBB\xBF";
// GetPrivateProfileIntA reads the value through a buffer of this many characters.
constexpr uint32_t kIntTextCapacity = 30;

// The profile functions count Ctrl-Z (the old end-of-file mark) among the blanks.
bool IsBlank(char c) {
    return c == ' ' || c == '\t' || c == '\n' || c == '\v' || c == '\f' || c == '\r' || c == '\x1a';
}

std::string_view TrimStart(std::string_view text) {
    while (!text.empty() && IsBlank(text.front())) {
        text.remove_prefix(1);
    }
    return text;
}

std::string_view TrimEnd(std::string_view text) {
    while (!text.empty() && IsBlank(text.back())) {
        text.remove_suffix(1);
    }
    return text;
}

std::string_view Trim(std::string_view text) {
    return TrimEnd(TrimStart(text));
}

char LowerAscii(char c) {
    return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c;
}

bool EqualNoCase(std::string_view a, std::string_view b) {
    if (a.size() != b.size()) {
        return false;
    }
    for (size_t i = 0; i < a.size(); ++i) {
        if (LowerAscii(a[i]) != LowerAscii(b[i])) {
            return false;
        }
    }
    return true;
}

// Names and values are zero-terminated texts for the profile functions: a zero byte in a file ends
// the name or value it stands in.
std::string UpToZero(std::string_view text) {
    return std::string(text.substr(0, text.find('\0')));
}

// One line of a section: a key with its value, or a line without "=" (a comment or stray text),
// which is kept so that writing the file back preserves it.
struct Line {
    std::string name;
    std::optional<std::string> value;
};

struct Section {
    std::string name;
    std::vector<Line> lines;
};

// sections.front() holds the lines before the first section header; it has no name.
struct Profile {
    bool utf8Mark = false;
    std::vector<Section> sections;
};

void AddLine(Section& section, std::string_view line) {
    std::string_view name = line;
    std::optional<std::string> value;
    if (const size_t equals = line.find('='); equals != std::string_view::npos) {
        name = TrimEnd(line.substr(0, equals));
        value = UpToZero(TrimStart(line.substr(equals + 1)));
    }
    // Of several nameless lines in a row only the first is kept.
    if (name.empty() && !section.lines.empty() && section.lines.back().name.empty()) {
        return;
    }
    section.lines.push_back({UpToZero(name), std::move(value)});
}

Profile Parse(std::string_view text) {
    Profile profile;
    if (text.starts_with(kUtf8Mark)) {
        profile.utf8Mark = true;
        text.remove_prefix(kUtf8Mark.size());
    }
    profile.sections.emplace_back();
    size_t position = 0;
    while (position < text.size()) {
        // CR and LF each end a line; the empty line between the two of a CR LF is skipped below.
        const size_t end = text.find_first_of("\r\n", position);
        const size_t next = (end == std::string_view::npos) ? text.size() : end + 1;
        const std::string_view line = Trim(text.substr(position, next - position));
        position = next;
        if (line.empty()) {
            continue;
        }
        if (line.front() == '[') {
            // The header runs to the last ']'; anything after it is ignored. Without a ']' the line
            // is no header but an ordinary line.
            if (const size_t close = line.rfind(']'); close != std::string_view::npos) {
                profile.sections.push_back({UpToZero(Trim(line.substr(1, close - 1))), {}});
                continue;
            }
        }
        AddLine(profile.sections.back(), line);
    }
    return profile;
}

std::string Serialize(const Profile& profile) {
    std::string text;
    if (profile.utf8Mark) {
        text += kUtf8Mark;
    }
    for (const Section& section : profile.sections) {
        if (!section.name.empty()) {
            text += '[';
            text += section.name;
            text += "]\r\n";
        }
        for (const Line& line : section.lines) {
            text += line.name;
            if (line.value) {
                text += '=';
                text += *line.value;
            }
            text += "\r\n";
        }
    }
    return text;
}

enum class FileState { kRead, kMissing, kUnreadable };

// A missing file is an empty profile that a write will create; a missing folder or any other
// failure makes the file unusable.
FileState ReadFile(const char* path, std::string& contents) {
    contents.clear();
    std::FILE* file = std::fopen(path, "rb");
    if (file == nullptr) {
        if (errno != ENOENT) {
            return FileState::kUnreadable;
        }
        std::error_code error;
        const std::filesystem::path folder = std::filesystem::path(path).parent_path();
        const bool folderExists = folder.empty() || std::filesystem::is_directory(folder, error);
        return folderExists ? FileState::kMissing : FileState::kUnreadable;
    }
    char chunk[4096];
    size_t count = 0;
    while ((count = std::fread(chunk, 1, sizeof chunk, file)) > 0) {
        contents.append(chunk, count);
    }
    const bool failed = std::ferror(file) != 0;
    std::fclose(file);
    return failed ? FileState::kUnreadable : FileState::kRead;
}

bool CanUpdate(const char* path) {
    std::FILE* file = std::fopen(path, "r+b");
    if (file == nullptr) {
        return false;
    }
    std::fclose(file);
    return true;
}

bool WriteFile(const char* path, const std::string& contents) {
    std::FILE* file = std::fopen(path, "wb");
    if (file == nullptr) {
        return false;
    }
    const bool written = std::fwrite(contents.data(), 1, contents.size(), file) == contents.size();
    return (std::fclose(file) == 0) && written;
}

Section* FindSection(Profile& profile, std::string_view name) {
    for (Section& section : profile.sections) {
        if (EqualNoCase(section.name, name)) {
            return &section;
        }
    }
    return nullptr;
}

Line* FindLine(Section& section, std::string_view name) {
    for (Line& line : section.lines) {
        if (EqualNoCase(line.name, name)) {
            return &line;
        }
    }
    return nullptr;
}

// Copies `text` cut to `size` - 1 characters; `size` must be at least 1.
uint32_t CopyCut(std::string_view text, char* buffer, uint32_t size) {
    const size_t count = std::min<size_t>(text.size(), size - 1);
    text.copy(buffer, count);
    buffer[count] = '\0';
    return static_cast<uint32_t>(count);
}

// Copies a value or default, removing one pair of matching quotes around it. The closing quote is
// dropped as the last character of what fits, so a buffer exactly as long as the text without its
// opening quote loses the last character before the quote as well.
uint32_t CopyUnquoted(std::string_view text, char* buffer, uint32_t size) {
    const bool quoted =
        text.size() >= 2 && (text.front() == '"' || text.front() == '\'') && text.back() == text.front();
    if (!quoted) {
        return CopyCut(text, buffer, size);
    }
    text.remove_prefix(1);
    std::string_view kept = text.substr(0, std::min<size_t>(text.size(), size - 1));
    if (size >= text.size() && !kept.empty()) {
        kept.remove_suffix(1);
    }
    return CopyCut(kept, buffer, size);
}

// Trailing spaces (spaces only) leave the default, but never its first character.
std::string_view TrimDefault(const char* defaultValue) {
    std::string_view text = defaultValue == nullptr ? std::string_view() : std::string_view(defaultValue);
    while (text.size() > 1 && text.back() == ' ') {
        text.remove_suffix(1);
    }
    return text;
}

// The number rule of the Windows profile functions: leading control characters and blanks, then
// an optional sign, a base prefix, and digits up to the first character that is no digit of the
// base. The arithmetic wraps at 32 bits.
uint32_t LeadingNumber(std::string_view text) {
    size_t i = 0;
    while (i < text.size() && static_cast<unsigned char>(text[i]) <= ' ') {
        ++i;
    }
    bool negative = false;
    if (i < text.size() && (text[i] == '+' || text[i] == '-')) {
        negative = text[i] == '-';
        ++i;
    }
    uint32_t base = 10;
    if (i + 1 < text.size() && text[i] == '0') {
        const char marker = text[i + 1];
        base = marker == 'x' ? 16 : marker == 'o' ? 8 : marker == 'b' ? 2 : 10;
        if (base != 10) {
            i += 2;
        }
    }
    uint32_t total = 0;
    for (; i < text.size(); ++i) {
        const char c = text[i];
        uint32_t digit = 99;
        if (c >= '0' && c <= '9') {
            digit = static_cast<uint32_t>(c - '0');
        } else if (c >= 'a' && c <= 'z') {
            digit = static_cast<uint32_t>(c - 'a' + 10);
        } else if (c >= 'A' && c <= 'Z') {
            digit = static_cast<uint32_t>(c - 'A' + 10);
        }
        if (digit >= base) {
            break;
        }
        total = total * base + digit;
    }
    return negative ? 0u - total : total;
}

}  // namespace

uint32_t PortableGetString(const char* section, const char* key, const char* defaultValue, char* buffer,
                           uint32_t size, const char* path) {
    if (buffer == nullptr || size == 0) {
        return 0;
    }
    const std::string_view fallback = TrimDefault(defaultValue);
    std::string contents;
    if (ReadFile(path, contents) == FileState::kUnreadable) {
        return CopyCut(fallback, buffer, size);
    }
    Profile profile = Parse(contents);
    Section* found = FindSection(profile, Trim(section));
    const Line* line = found ? FindLine(*found, Trim(key)) : nullptr;
    const bool hasValue = line != nullptr && line->value.has_value();
    return CopyUnquoted(hasValue ? std::string_view(*line->value) : fallback, buffer, size);
}

uint32_t PortableGetInt(const char* section, const char* key, int32_t defaultValue, const char* path) {
    char text[kIntTextCapacity];
    if (PortableGetString(section, key, "", text, sizeof text, path) == 0) {
        return static_cast<uint32_t>(defaultValue);
    }
    return LeadingNumber(text);
}

bool PortableWriteString(const char* section, const char* key, const char* value, const char* path) {
    if (value == nullptr) {
        return false;
    }
    std::string contents;
    const FileState state = ReadFile(path, contents);
    // Like the Windows functions, a write needs the file open for update even when nothing changes.
    if (state == FileState::kUnreadable || (state == FileState::kRead && !CanUpdate(path))) {
        return false;
    }
    Profile profile = Parse(contents);
    // Names are looked up without their blanks, but created without the leading ones only.
    Section* target = FindSection(profile, Trim(section));
    if (target == nullptr) {
        target = &profile.sections.emplace_back(Section{std::string(TrimStart(section)), {}});
    }
    Line* line = FindLine(*target, Trim(key));
    if (line == nullptr) {
        line = &target->lines.emplace_back(Line{std::string(TrimStart(key)), std::nullopt});
    }
    const std::string_view newValue = TrimStart(value);
    if (line->value == newValue) {
        // Nothing changes, so the file is left as it is, formatting and all.
        return true;
    }
    line->value = std::string(newValue);
    return WriteFile(path, Serialize(profile));
}

}  // namespace tkbctl
