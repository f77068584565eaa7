#include "board_file.h"

#include <algorithm>
#include <cstring>

#include "factory_settings.h"
#include "tkbsim/error.h"

namespace tkbsim {
namespace {

// Checks everything a session relies on, so that a damaged file is refused with a reason instead
// of being run. The accessors bound what they read as well, for damage done after opening.
const ModelInfo& Validate(const std::string& path, MappedFile& mapping) {
    if (mapping.Size() < sizeof(state::Header)) {
        throw Error(path + ": not a board file (only " + std::to_string(mapping.Size()) + " bytes)");
    }
    const auto& control = *reinterpret_cast<const state::BoardControl*>(mapping.Data());
    const state::Header& header = control.header;
    if (std::memcmp(header.magic, state::kMagic, sizeof state::kMagic) != 0) {
        throw Error(path + ": not a board file (unknown signature)");
    }
    if (header.layoutVersion != state::kLayoutVersion || header.headerSize != sizeof(state::Header)) {
        throw Error(path + ": board file of layout " + std::to_string(header.layoutVersion) +
                    ", this build reads " + std::to_string(state::kLayoutVersion));
    }
    if (header.fileSize != state::kFileSize || mapping.Size() != state::kFileSize) {
        throw Error(path + ": board file truncated or damaged (" + std::to_string(mapping.Size()) +
                    " bytes, " + std::to_string(state::kFileSize) + " expected)");
    }
    const ModelInfo* model = FindModel(static_cast<ModelId>(header.modelId));
    if (!model) {
        throw Error(path + ": board file of unknown model " + std::to_string(header.modelId));
    }
    const bool countsFit = control.replies.count <= state::kReplyMessageCapacity &&
                           control.replies.bytesUsed <= state::kReplyByteCapacity &&
                           control.registers.count <= state::kRegisterCapacity &&
                           control.bus.count <= state::kI2CDeviceCapacity;
    if (!countsFit) {
        throw Error(path + ": board file damaged (state counts out of range)");
    }
    return *model;
}

}  // namespace

std::unique_ptr<BoardFile> BoardFile::Open(const std::string& path) {
    std::unique_ptr<MappedFile> mapping = MappedFile::Open(path);
    // Validate under the lock: a board file being written by its creator is never half-read.
    mapping->Lock();
    try {
        const ModelInfo& model = Validate(path, *mapping);
        mapping->Unlock();
        return std::unique_ptr<BoardFile>(new BoardFile(path, std::move(mapping), model));
    } catch (...) {
        mapping->Unlock();
        throw;
    }
}

void BoardFile::Create(const std::string& path, const NewBoard& newBoard) {
    const ModelInfo& model = *newBoard.model;
    BoardFile board(path, MappedFile::Create(path, state::kFileSize), model);
    Session session(board);
    state::Header& header = session.Control().header;
    std::memcpy(header.magic, state::kMagic, sizeof state::kMagic);
    header.layoutVersion = state::kLayoutVersion;
    header.headerSize = sizeof(state::Header);
    header.fileSize = state::kFileSize;
    header.modelId = static_cast<uint32_t>(model.id);
    header.usbRelease = newBoard.usbRelease ? newBoard.usbRelease : model.usbRelease;
    header.plugged = 1;
    header.connection = 1;
    if (newBoard.version) {
        std::copy(newBoard.version->begin(), newBoard.version->end(), header.version);
    } else {
        header.version[0] = model.fx3Version;
        header.version[1] = model.fpgaMinor;
        header.version[2] = model.fpgaMajor;
    }
    if (newBoard.letters) {
        header.ownLetters = 1;
        std::copy(newBoard.letters->begin(), newBoard.letters->end(), header.letters);
    }
    const std::array<uint8_t, kSettingsBlockSize> settings = FactorySettingsBlock(model);
    session.Firmware().Flash().Store(model.settingsAddress, settings.data(),
                                     static_cast<uint32_t>(settings.size()));
    session.Firmware().PowerOn();
}

BoardFile::Session::Session(BoardFile& file)
    : file_(file), threadLock_(file.mutex_), firmware_(file.Control(), file.Flash(), file.model_) {
    file_.mapping_->Lock();
}

BoardFile::Session::~Session() {
    file_.mapping_->Unlock();
}

}  // namespace tkbsim
