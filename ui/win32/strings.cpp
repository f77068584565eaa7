#include "ui/win32/strings.h"

namespace ui::win32 {

namespace {

constexpr UINT kStringsPerBlock = 16;

// String `id` from the string table of exactly `language`. A string table block holds 16 strings,
// each a length in UTF-16 units followed by that many units.
std::optional<std::wstring> LoadStringExactly(HMODULE module, int id, LANGID language) {
    const UINT unsignedId = static_cast<UINT>(id);
    const HRSRC found = FindResourceExW(module, reinterpret_cast<LPCWSTR>(RT_STRING),
                                        MAKEINTRESOURCEW(unsignedId / kStringsPerBlock + 1), language);
    if (!found)
        return std::nullopt;
    const HGLOBAL loaded = LoadResource(module, found);
    const auto* unit = static_cast<const WCHAR*>(loaded ? LockResource(loaded) : nullptr);
    if (!unit)
        return std::nullopt;
    const WCHAR* const end = unit + SizeofResource(module, found) / sizeof(WCHAR);
    for (UINT skip = unsignedId % kStringsPerBlock; skip > 0 && unit < end; --skip)
        unit += 1 + *unit;
    if (unit >= end || *unit == 0 || end - (unit + 1) < *unit)
        return std::nullopt;
    return std::wstring(unit + 1, *unit);
}

}  // namespace

std::wstring Widen(std::string_view utf8) {
    if (utf8.empty())
        return {};
    const int size = static_cast<int>(utf8.size());
    const int length = MultiByteToWideChar(CP_UTF8, 0, utf8.data(), size, nullptr, 0);
    std::wstring wide(static_cast<size_t>(length), L'\0');
    MultiByteToWideChar(CP_UTF8, 0, utf8.data(), size, wide.data(), length);
    return wide;
}

std::string Narrow(std::wstring_view utf16) {
    if (utf16.empty())
        return {};
    const int size = static_cast<int>(utf16.size());
    const int length = WideCharToMultiByte(CP_UTF8, 0, utf16.data(), size, nullptr, 0, nullptr, nullptr);
    std::string narrow(static_cast<size_t>(length), '\0');
    WideCharToMultiByte(CP_UTF8, 0, utf16.data(), size, narrow.data(), length, nullptr, nullptr);
    return narrow;
}

Language UserLanguage() {
    return PRIMARYLANGID(GetThreadUILanguage()) == LANG_JAPANESE ? Language::Japanese : Language::English;
}

LANGID ResourceLanguage(Language language) {
    return language == Language::Japanese ? MAKELANGID(LANG_JAPANESE, SUBLANG_JAPANESE_JAPAN)
                                          : MAKELANGID(LANG_ENGLISH, SUBLANG_ENGLISH_US);
}

std::optional<std::wstring> LoadUserString(HMODULE module, int id, Language language) {
    const Language other = language == Language::Japanese ? Language::English : Language::Japanese;
    for (const Language candidate : {language, other}) {
        if (auto text = LoadStringExactly(module, id, ResourceLanguage(candidate)))
            return text;
    }
    const wchar_t* resource = nullptr;
    const int length = LoadStringW(module, static_cast<UINT>(id), reinterpret_cast<LPWSTR>(&resource), 0);
    if (length > 0 && resource)
        return std::wstring(resource, static_cast<size_t>(length));
    return std::nullopt;
}

}  // namespace ui::win32
