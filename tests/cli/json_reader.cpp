// A strict reader of the JSON that tkb prints, so that tests read it the way a script would.
#include <cstdlib>
#include <stdexcept>

#include "tkb_test_support.h"

namespace tkbctl::cli::test {

namespace {

class Reader {
public:
    explicit Reader(const std::string& text) : text_(text) {}

    Json Document() {
        Json value = Value();
        Space();
        if (at_ != text_.size())
            Fail("text after the value");
        return value;
    }

private:
    [[noreturn]] void Fail(const std::string& what) {
        throw std::runtime_error("JSON: " + what + " at offset " + std::to_string(at_));
    }
    void Space() {
        while (at_ < text_.size() &&
               (text_[at_] == ' ' || text_[at_] == '\n' || text_[at_] == '\r' || text_[at_] == '\t'))
            ++at_;
    }
    bool Take(char c) {
        Space();
        if (at_ < text_.size() && text_[at_] == c) {
            ++at_;
            return true;
        }
        return false;
    }
    void Expect(char c) {
        if (!Take(c))
            Fail(std::string("expected '") + c + "'");
    }
    bool Word(const char* word) {
        const std::string w = word;
        if (text_.compare(at_, w.size(), w) != 0)
            return false;
        at_ += w.size();
        return true;
    }

    std::string String() {
        Expect('"');
        std::string s;
        while (at_ < text_.size() && text_[at_] != '"') {
            char c = text_[at_++];
            if (static_cast<unsigned char>(c) < 0x20)
                Fail("control character in a string");
            if (c == '\\') {
                if (at_ >= text_.size())
                    Fail("unfinished escape");
                const char e = text_[at_++];
                if (e == 'u') {
                    if (at_ + 4 > text_.size())
                        Fail("short \\u escape");
                    c = static_cast<char>(std::strtol(text_.substr(at_, 4).c_str(), nullptr, 16));
                    at_ += 4;
                } else if (e == '"' || e == '\\' || e == '/') {
                    c = e;
                } else if (e == 'n') {
                    c = '\n';
                } else {
                    Fail("unknown escape");
                }
            }
            s += c;
        }
        if (at_ >= text_.size())
            Fail("unfinished string");
        ++at_;
        return s;
    }

    Json Value() {
        Space();
        if (at_ >= text_.size())
            Fail("missing value");
        const char c = text_[at_];
        if (c == '"')
            return {String()};
        if (c == '[') {
            ++at_;
            std::vector<Json> items;
            if (Take(']'))
                return {items};
            do {
                items.push_back(Value());
            } while (Take(','));
            Expect(']');
            return {items};
        }
        if (c == '{') {
            ++at_;
            std::map<std::string, Json> members;
            if (Take('}'))
                return {members};
            do {
                Space();
                std::string key = String();
                Expect(':');
                if (!members.emplace(key, Value()).second)
                    Fail("duplicate key " + key);
            } while (Take(','));
            Expect('}');
            return {members};
        }
        if (Word("null"))
            return {nullptr};
        if (Word("true"))
            return {true};
        if (Word("false"))
            return {false};
        const size_t start = at_;
        if (at_ < text_.size() && text_[at_] == '-')
            ++at_;
        while (at_ < text_.size() && ((text_[at_] >= '0' && text_[at_] <= '9') || text_[at_] == '.'))
            ++at_;
        if (start == at_)
            Fail("not a value");
        return {std::strtod(text_.substr(start, at_ - start).c_str(), nullptr)};
    }

    const std::string& text_;
    size_t at_ = 0;
};

}  // namespace

Json ParseJson(const std::string& text) {
    return Reader(text).Document();
}

}  // namespace tkbctl::cli::test
