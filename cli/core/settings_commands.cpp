// settings show, set, backup and restore: the board settings block through the settings record.
#include "commands.h"
#include "settings_fields.h"

namespace tkbctl::cli {

namespace {

constexpr size_t kUvcMarker = 0x80;
constexpr size_t kUvcChecksum = 0x82;
constexpr size_t kUvcChecksummedFirst = 0x84;
constexpr size_t kUvcChecksummedEnd = 0xA0;
constexpr uint8_t kMarkerByte = 0x55;

// Why a saved block is not one the program wrote: its UVC marker or checksum is wrong. Empty when
// it is sound.
std::string BlockCheckFailure(std::span<const uint8_t> block) {
    if (block[kUvcMarker] != kMarkerByte || block[kUvcMarker + 1] != kMarkerByte)
        return "its UVC marker (bytes 0x80-0x81) is not 55 55";
    uint16_t sum = 0;
    for (size_t i = kUvcChecksummedFirst; i < kUvcChecksummedEnd; ++i)
        sum = static_cast<uint16_t>(sum + block[i]);
    const uint16_t stored = static_cast<uint16_t>(block[kUvcChecksum] | block[kUvcChecksum + 1] << 8);
    if (static_cast<uint16_t>(sum + stored) != 0xFFFF)
        return "its UVC checksum (bytes 0x82-0x83) does not match bytes 0x84-0x9F";
    return {};
}

// Writes `data` as the start of the settings block, reads the block back and compares.
int WriteAndVerify(CommandRun& run, std::span<const uint8_t> data) {
    const int32_t written = run.session().WriteSettingsBlock(data);
    if (written != TKRUSB20_RET_SUCCESS)
        return run.FailResult("writing the settings block", written);
    SettingsBlock check{};
    const int32_t read = run.session().ReadSettingsBlock(check);
    if (read != TKRUSB20_RET_SUCCESS)
        return run.FailResult("reading the settings block back", read);
    const size_t at = FirstDifference(data, std::span<const uint8_t>(check.data(), data.size()));
    if (at != data.size()) {
        char detail[96];
        std::snprintf(detail, sizeof detail, "first difference at byte 0x%03zX: wrote %02X, read %02X", at,
                      data[at], check[at]);
        return run.Fail(std::string("the settings block reads back differently: ") + detail);
    }
    run.console().out << "settings block: " << data.size() << " bytes written and verified\n" << std::flush;
    return kExitDone;
}

// Identifies the board and reads its block; an error line when either fails.
bool ReadBlock(CommandRun& run, SettingsBlock& block) {
    if (!run.Identify())
        return false;
    const int32_t result = run.session().ReadSettingsBlock(block);
    if (result == TKRUSB20_RET_SUCCESS)
        return true;
    run.FailResult("reading the settings block", result);
    return false;
}

// The record as the board's block holds it.
bool ReadRecord(CommandRun& run, TKBSetting& setting) {
    SettingsBlock block{};
    if (!ReadBlock(run, block))
        return false;
    setting.Decode(block.data(), block.size());
    return true;
}

}  // namespace

int RunSettingsShow(const Command& command, Console& console) {
    CommandRun run(command, console);
    TKBSetting setting;
    if (!ReadRecord(run, setting))
        return kExitFailed;
    if (command.json) {
        console.out << "{";
        const char* separator = "\n ";
        for (const SettingsField& field : SettingsFields()) {
            console.out << separator << JsonString(field.name) << ": " << field.json(setting);
            separator = ",\n ";
        }
        console.out << "\n}\n" << std::flush;
        return kExitDone;
    }
    for (const SettingsField& field : SettingsFields())
        console.out << field.name << " = " << field.text(setting) << "  (" << field.meaning(setting) << ")\n";
    console.out << std::flush;
    return kExitDone;
}

int RunSettingsSet(const Command& command, Console& console) {
    // Every assignment is checked before the board is touched.
    TKBSetting trial;
    if (std::optional<std::string> error = ApplySettings(trial, command.assignments)) {
        console.err << "tkb settings set: " << *error << "\n";
        return kExitMalformed;
    }
    CommandRun run(command, console);
    TKBSetting setting;
    if (!ReadRecord(run, setting))
        return kExitFailed;
    ApplySettings(setting, command.assignments);
    SettingsBlock encoded{};
    // The colour GUID comes from the program INI file's colour list, as the control program's does.
    setting.Encode(encoded.data(), encoded.size(),
                   TKBSetting::ColourGuid(ProgramIniFile(), setting.UVC_Color));
    const uint32_t length = SettingsWriteLength(run.session().identity());
    return WriteAndVerify(run, std::span<const uint8_t>(encoded.data(), length));
}

int RunSettingsBackup(const Command& command, Console& console) {
    CommandRun run(command, console);
    SettingsBlock block{};
    if (!ReadBlock(run, block))
        return kExitFailed;
    if (!WriteWholeFile(command.file, block))
        return run.Fail("cannot write '" + command.file + "'");
    console.out << "settings block: " << block.size() << " bytes saved to " << command.file << "\n"
                << std::flush;
    return kExitDone;
}

int RunSettingsRestore(const Command& command, Console& console) {
    CommandRun run(command, console);
    const std::optional<std::vector<uint8_t>> saved = ReadSettingFileBytes(command.file);
    if (!saved)
        return run.Fail("cannot read '" + command.file + "'");
    if (saved->size() != kSettingsBlockSize && !command.force) {
        return run.Fail("refused: '" + command.file + "' holds " + std::to_string(saved->size()) +
                        " bytes, a settings block 512 (--force writes it anyway)");
    }
    if (saved->size() >= kUvcChecksummedEnd) {
        const std::string failure = BlockCheckFailure(*saved);
        if (!failure.empty() && !command.force)
            return run.Fail("refused: '" + command.file + "' is not a sound settings block: " + failure +
                            " (--force writes it anyway)");
    }
    if (!run.Identify())
        return kExitFailed;
    const uint32_t length = SettingsWriteLength(run.session().identity());
    if (saved->size() < length) {
        return run.Fail("refused: '" + command.file + "' holds " + std::to_string(saved->size()) +
                        " bytes; the " + run.session().identity().modelName + " takes " +
                        std::to_string(length));
    }
    return WriteAndVerify(run, std::span<const uint8_t>(saved->data(), length));
}

}  // namespace tkbctl::cli
