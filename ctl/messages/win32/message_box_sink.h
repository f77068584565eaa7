// The program's messages as Windows message boxes.
#pragma once

#include <windows.h>

#include <optional>
#include <string>

#include "messages/message_sink.h"

namespace tkbctl {

class MessageBoxSink : public MessageSink {
public:
    // `strings` is the module whose string table holds the numbered messages; nullptr means the
    // program's own executable.
    explicit MessageBoxSink(HINSTANCE strings = nullptr);

    // The string-table text in the user's language, captioned with the program's name, owned by
    // the calling thread's active window so that it is modal to it.
    void ShowMessage(int id) override;
    // No owner window, OK button only.
    void ShowText(const std::string& text, const std::string& caption) override;

private:
    HINSTANCE strings_;
};

// Text `id` of the string table in `module`: in the user's language (Japanese, or English for every
// other), else in the other of the two, else in the one language it exists in (a few texts exist
// only in Japanese). The dialog layer's lookup, so message boxes and windows agree on the language.
std::optional<std::wstring> LoadMessageText(HINSTANCE module, UINT id, LANGID userLanguage);

// UTF-8 to UTF-16 for the wide Windows calls; false when `text` is not valid UTF-8.
bool Utf8ToWide(const std::string& text, std::wstring& wide);

}  // namespace tkbctl
