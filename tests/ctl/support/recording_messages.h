// A message sink that remembers what the program would have shown, in order, for tests that check
// which messages appear and with which texts. Safe to use from a worker thread.
#pragma once

#include <mutex>
#include <ostream>
#include <string>
#include <vector>

#include "messages/message_sink.h"

namespace tkbctl::test {

class RecordingMessages : public MessageSink {
public:
    // One shown message: a string-table id, or a literal text with its caption (id 0).
    struct Shown {
        int id = 0;
        std::string text;
        std::string caption;
        bool operator==(const Shown&) const = default;
    };

    static Shown Message(int id) { return {id, {}, {}}; }
    static Shown Text(std::string text, std::string caption) {
        return {0, std::move(text), std::move(caption)};
    }

    void ShowMessage(int id) override {
        std::lock_guard<std::mutex> lock(mutex_);
        shown_.push_back(Message(id));
    }
    void ShowText(const std::string& text, const std::string& caption) override {
        std::lock_guard<std::mutex> lock(mutex_);
        shown_.push_back(Text(text, caption));
    }

    std::vector<Shown> All() const {
        std::lock_guard<std::mutex> lock(mutex_);
        return shown_;
    }
    // The ids of the string-table messages only, in order.
    std::vector<int> Ids() const {
        std::lock_guard<std::mutex> lock(mutex_);
        std::vector<int> ids;
        for (const auto& shown : shown_) {
            if (shown.id != 0)
                ids.push_back(shown.id);
        }
        return ids;
    }
    void Clear() {
        std::lock_guard<std::mutex> lock(mutex_);
        shown_.clear();
    }

private:
    mutable std::mutex mutex_;
    std::vector<Shown> shown_;
};

// Lets GoogleTest print what was shown when an expectation fails.
inline void PrintTo(const RecordingMessages::Shown& shown, std::ostream* out) {
    if (shown.id != 0) {
        *out << "message " << shown.id;
    } else {
        *out << "\"" << shown.text << "\" (caption \"" << shown.caption << "\")";
    }
}

}  // namespace tkbctl::test
