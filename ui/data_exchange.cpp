#include "ui/data_exchange.h"

#include <limits>

namespace ui {

namespace {

bool IsBlank(char c) {
    return c == ' ' || c == '\t' || c == '\r' || c == '\n' || c == '\v' || c == '\f';
}

}  // namespace

std::optional<int32_t> ParseDialogInt(std::string_view text) {
    size_t at = 0;
    while (at < text.size() && IsBlank(text[at]))
        ++at;
    const bool negative = at < text.size() && text[at] == '-';
    if (negative)
        ++at;
    // Accumulated as a magnitude one beyond the positive range, so that the most negative value fits.
    const int64_t limit = negative ? -int64_t{std::numeric_limits<int32_t>::min()}
                                   : int64_t{std::numeric_limits<int32_t>::max()};
    int64_t magnitude = 0;
    size_t digits = 0;
    for (; at < text.size() && text[at] >= '0' && text[at] <= '9'; ++at, ++digits) {
        magnitude = magnitude * 10 + (text[at] - '0');
        if (magnitude > limit)
            return std::nullopt;
    }
    if (digits == 0)
        return std::nullopt;
    while (at < text.size() && IsBlank(text[at]))
        ++at;
    if (at != text.size())
        return std::nullopt;
    return static_cast<int32_t>(negative ? -magnitude : magnitude);
}

std::string IntegerRequiredMessage(Language language) {
    return language == Language::Japanese ? "整数を入力してください。" : "Enter an integer.";
}

std::string IntegerRangeMessage(Language language, int32_t minimum, int32_t maximum) {
    const std::string low = std::to_string(minimum);
    const std::string high = std::to_string(maximum);
    if (language == Language::Japanese)
        return low + " から " + high + " までの整数を入力してください。";
    return "Enter an integer between " + low + " and " + high + ".";
}

void DataExchange::Fail(int id, const std::string& message) {
    failed_ = true;
    view_.ShowMessage(Message::FromText(message, std::nullopt, MessageIcon::Warning));
    view_.Focus(id);
}

void DataExchange::Text(int id, std::string& value) {
    if (failed_)
        return;
    if (saving_)
        value = view_.Text(id);
    else
        view_.SetText(id, value);
}

void DataExchange::Check(int id, int& state) {
    if (failed_)
        return;
    if (saving_)
        state = view_.Checked(id);
    else
        view_.SetChecked(id, state);
}

void DataExchange::Radio(std::initializer_list<int> ids, int& index) {
    if (failed_)
        return;
    int position = 0;
    if (saving_) {
        index = -1;
        for (const int id : ids) {
            if (view_.Checked(id) == 1) {
                index = position;
                break;
            }
            ++position;
        }
        return;
    }
    for (const int id : ids)
        view_.SetChecked(id, position++ == index ? 1 : 0);
}

void DataExchange::Items(int id, std::vector<std::string>& items) {
    if (failed_)
        return;
    if (saving_) {
        items.clear();
        const int count = view_.ItemCount(id);
        for (int i = 0; i < count; ++i)
            items.push_back(view_.ItemText(id, i));
        return;
    }
    view_.ClearItems(id);
    for (const std::string& item : items)
        view_.AddItem(id, item);
}

void DataExchange::Selection(int id, int& index) {
    if (failed_)
        return;
    if (saving_)
        index = view_.Selection(id);
    else
        view_.Select(id, index);
}

std::optional<int32_t> DataExchange::ReadInt(int id) {
    const std::optional<int32_t> parsed = ParseDialogInt(view_.Text(id));
    if (!parsed)
        Fail(id, IntegerRequiredMessage(view_.UserLanguage()));
    return parsed;
}

void DataExchange::Int(int id, int32_t& value) {
    if (failed_)
        return;
    if (!saving_) {
        view_.SetText(id, std::to_string(value));
        return;
    }
    if (const std::optional<int32_t> parsed = ReadInt(id))
        value = *parsed;
}

void DataExchange::IntRange(int id, int32_t& value, int32_t minimum, int32_t maximum) {
    if (failed_ || !saving_) {
        Int(id, value);
        return;
    }
    const std::optional<int32_t> parsed = ReadInt(id);
    if (!parsed)
        return;
    if (*parsed < minimum || *parsed > maximum) {
        Fail(id, IntegerRangeMessage(view_.UserLanguage(), minimum, maximum));
        return;
    }
    value = *parsed;
}

}  // namespace ui
