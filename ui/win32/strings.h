// Texts between the portable layer (UTF-8) and Windows (UTF-16), and the string table in the
// user's language.
#pragma once

#include <windows.h>

#include <optional>
#include <string>
#include <string_view>

#include "ui/dialog_view.h"

namespace ui::win32 {

// Invalid UTF-8 becomes U+FFFD, so a text is shown damaged rather than lost.
std::wstring Widen(std::string_view utf8);
std::string Narrow(std::wstring_view utf16);

// The user's language among those the program ships: Japanese for a Japanese user interface,
// English for every other.
Language UserLanguage();

// The resource language a string table or template of `language` is marked with.
LANGID ResourceLanguage(Language language);

// String `id` of `module` in `language`; when that language lacks it, in the other shipped
// language; when both lack it, in whatever language the module has it. Looked up by language
// rather than left to LoadString, which follows the thread's locale and not the user's language.
std::optional<std::wstring> LoadUserString(HMODULE module, int id, Language language);

}  // namespace ui::win32
