// The fields of the board settings record TKBSetting by their names, as "tkb settings" shows and
// changes them: each field's value, its meaning for the engineer, and how a typed value is taken.
#pragma once

#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "control_core.h"

namespace tkbctl::cli {

struct SettingsField {
    const char* name;
    // The value as plain text, and as a JSON value (a number, or a string for text and bytes).
    std::function<std::string(const TKBSetting&)> text;
    std::function<std::string(const TKBSetting&)> json;
    std::function<std::string(const TKBSetting&)> meaning;
    // Takes a typed value into the record; the reason when it is not one. Empty for fields that
    // tkb does not change (the raw block images).
    std::function<std::optional<std::string>(TKBSetting&, const std::string&)> set;
};

// In the order of the record.
const std::vector<SettingsField>& SettingsFields();
const SettingsField* FindSettingsField(const std::string& name);

// Applies "FIELD=VALUE" assignments in order. Returns the reason for the first that is refused
// (an unknown or read-only field, or a value it cannot take), with `setting` then half-changed.
std::optional<std::string> ApplySettings(TKBSetting& setting,
                                         const std::vector<std::pair<std::string, std::string>>& assignments);

// Minimal JSON text for a string value.
std::string JsonString(const std::string& text);

}  // namespace tkbctl::cli
