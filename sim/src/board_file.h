// One board file of a board folder, mapped: the state of one virtual board.
//
// Consistency across processes: every operation on a board — each driver request, each change the
// test tool makes — runs inside a Session, which holds the board's in-process mutex and an
// exclusive lock on the board file for its whole length. A process that dies holding the lock
// loses it with its file handles. Native programs and Windows programs under Wine use different
// lock mechanisms: they may share a folder in turn, not at the same time.
//
// A file is validated when it is opened. Windows refuses to shorten a file while it is mapped;
// on Linux a board file cut short by some other program while mapped would fault its users, so
// board files are only ever created whole and never resized.
#pragma once

#include <cstdint>
#include <memory>
#include <mutex>
#include <string>

#include "board_state.h"
#include "firmware.h"
#include "platform.h"
#include "tkbsim/board_folder.h"

namespace tkbsim {

class BoardFile {
public:
    // Maps and validates an existing board file. Throws Error saying why a file is refused.
    static std::unique_ptr<BoardFile> Open(const std::string& path);
    // Writes a new board file at `path`, which must not exist: a factory-fresh board as `newBoard`
    // describes it, plugged in. Throws Error.
    static void Create(const std::string& path, const NewBoard& newBoard);

    class Session {
    public:
        explicit Session(BoardFile& file);
        ~Session();
        Session(const Session&) = delete;
        Session& operator=(const Session&) = delete;

        state::BoardControl& Control() { return file_.Control(); }
        tkbsim::Firmware& Firmware() { return firmware_; }

    private:
        BoardFile& file_;
        std::lock_guard<std::mutex> threadLock_;
        tkbsim::Firmware firmware_;
    };

    const std::string& Path() const { return path_; }
    const ModelInfo& Model() const { return model_; }

private:
    BoardFile(std::string path, std::unique_ptr<MappedFile> mapping, const ModelInfo& model)
        : path_(std::move(path)), mapping_(std::move(mapping)), model_(model) {}
    state::BoardControl& Control() { return *reinterpret_cast<state::BoardControl*>(mapping_->Data()); }
    uint8_t* Flash() { return mapping_->Data() + state::kFlashOffset; }

    std::string path_;
    std::unique_ptr<MappedFile> mapping_;
    const ModelInfo& model_;
    std::mutex mutex_;
};

}  // namespace tkbsim
