// What the tkb tests share: virtual boards behind the library for one test, a run of tkb with its
// output captured, and a small JSON reader to take --json output apart.
#pragma once

#include <gtest/gtest.h>

#include <cstdint>
#include <map>
#include <memory>
#include <sstream>
#include <string>
#include <variant>
#include <vector>

#include "core/tkb.h"
#include "sim_test_support.h"
#include "tkbsim/board_folder.h"
#include "tkbsim/virtual_driver.h"

namespace tkbctl::cli::test {

using tkbsim::test::Bytes;

// Where the settings block of the boards these tests use (TKB-20U) lies in flash.
inline constexpr uint32_t kSettingsAddress = 0x1F0000;

// Boards of the given models in a folder of their own, used by the library for the test's time.
class VirtualBoards {
public:
    explicit VirtualBoards(const std::vector<const char*>& models, const std::string& name = "tkb-cli")
        : folder_(name), boards_(folder_.Str()) {
        std::vector<tkbsim::NewBoard> newBoards;
        for (const char* model : models)
            newBoards.push_back({tkbsim::FindModel(model)});
        numbers_ = boards_.Create(newBoards);
        tkr::SetDriver(std::make_shared<tkbsim::VirtualDriver>(folder_.Str()));
    }
    ~VirtualBoards() { tkr::SetDriver(nullptr); }

    std::shared_ptr<tkbsim::Board> Board(size_t index = 0) { return boards_.Open(numbers_.at(index)); }
    const std::filesystem::path& path() const { return folder_.Path(); }

    // The frames board `index` received since the last call (or since it was made).
    std::vector<tkbsim::LoggedFrame> TakeFrames(size_t index = 0) {
        uint64_t overwritten = 0;
        std::vector<tkbsim::LoggedFrame> frames = Board(index)->Log(overwritten);
        Board(index)->ClearLog();
        return frames;
    }
    void ForgetFrames() {
        for (size_t i = 0; i < numbers_.size(); ++i)
            TakeFrames(i);
    }

private:
    tkbsim::test::TempFolder folder_;
    tkbsim::BoardFolder boards_;
    std::vector<uint32_t> numbers_;
};

struct TkbRun {
    int status = -1;
    std::string out;
    std::string err;
};

struct TkbOptions {
    std::string input;
    bool inputIsTerminal = false;
    bool outputIsTerminal = false;
    bool errorIsTerminal = false;
    std::function<bool()> interrupted = [] { return false; };
};

inline TkbRun Tkb(const std::vector<std::string>& args, const TkbOptions& options = {}) {
    std::ostringstream out, err;
    std::istringstream in(options.input);
    Console console{out, err, in};
    console.inputIsTerminal = options.inputIsTerminal;
    console.outputIsTerminal = options.outputIsTerminal;
    console.errorIsTerminal = options.errorIsTerminal;
    console.interrupted = options.interrupted;
    TkbRun run;
    run.status = RunTkb(args, console);
    run.out = out.str();
    run.err = err.str();
    return run;
}

// The heads of the frames, for comparing with the frames the library builds.
inline std::vector<Bytes> Heads(const std::vector<tkbsim::LoggedFrame>& frames) {
    std::vector<Bytes> heads;
    for (const tkbsim::LoggedFrame& frame : frames)
        heads.push_back(frame.head);
    return heads;
}

// The last `count` frame heads.
inline std::vector<Bytes> LastHeads(const std::vector<tkbsim::LoggedFrame>& frames, size_t count) {
    std::vector<Bytes> heads = Heads(frames);
    if (heads.size() > count)
        heads.erase(heads.begin(), heads.end() - static_cast<std::ptrdiff_t>(count));
    return heads;
}

// A JSON value: null, true/false, number, string, array or object.
struct Json {
    std::variant<std::nullptr_t, bool, double, std::string, std::vector<Json>, std::map<std::string, Json>>
        value;

    bool IsNull() const { return std::holds_alternative<std::nullptr_t>(value); }
    double Number() const { return std::get<double>(value); }
    const std::string& Text() const { return std::get<std::string>(value); }
    const std::vector<Json>& Array() const { return std::get<std::vector<Json>>(value); }
    const std::map<std::string, Json>& Object() const { return std::get<std::map<std::string, Json>>(value); }
    const Json& operator[](const std::string& key) const { return Object().at(key); }
};

// Parses a whole JSON text strictly; throws std::runtime_error at the first fault.
Json ParseJson(const std::string& text);

}  // namespace tkbctl::cli::test
