// Where the control program's messages go: message boxes on Windows, a recorder in tests.
#pragma once

#include <string>

namespace tkbctl {

class MessageSink {
public:
    virtual ~MessageSink() = default;
    // A message of the program's string table, by id (10000..10018, 12000..12012), shown in the
    // user's language. May be called from the setting-file worker thread.
    virtual void ShowMessage(int id) = 0;
    // A message box with a literal text (UTF-8) and caption, OK button only, no owner window.
    virtual void ShowText(const std::string& text, const std::string& caption) = 0;
};

}  // namespace tkbctl
